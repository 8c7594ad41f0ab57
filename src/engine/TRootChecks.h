#pragma once

#include "engine/TScanOptions.h"
#include "engine/TScanTexts.h"

#include <QByteArray>
#include <QString>

// The checks on the two roots before a run walks anything. Names are case-sensitive
// here, so the texts are compared exactly; the folders themselves are compared by
// identity too, so that a link or a bind mount cannot hide that both roots are one
// folder, or that one lies inside the other.
class TRootChecks
{
public:
    // The text of the first check that fails, or an empty string.
    static QString Check(const TScanOptions &options, const TScanTexts &texts);
    // Whether the folder inner lies somewhere below outer, following the real parent
    // chain of inner (so links in either path do not matter). False when either is
    // missing, and for the same folder.
    static bool IsInside(const QByteArray &inner, const QByteArray &outer);
    // Why root cannot be compared (missing, not a folder, cannot be listed), or empty.
    static QString Unusable(const QString &root, const QByteArray &native, const TScanTexts &texts);
};
