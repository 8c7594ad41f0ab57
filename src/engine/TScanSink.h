#pragma once

#include "engine/TFinding.h"

#include <QString>

// Where a run reports: the status text and each finding. The worker thread adapts it
// to the window; the command-line scanner and the tests plug in a direct one.
class TScanSink
{
public:
    virtual ~TScanSink() = default;
    virtual void ShowStatus(const QString &text) = 0;
    // The status text of the next file of a walk: a new entry begins here.
    virtual void ShowFileStatus(const QString &text) { ShowStatus(text); }
    // list is 1..8: odd lists hold source files, even lists destination files.
    virtual void AddToList(int list, const QString &path) = 0;
    // The same finding with its figures; the run reports every finding here. A sink that
    // has no use for the figures leaves this as it is.
    virtual void AddFinding(const TFinding &finding) { AddToList(finding.List, finding.Path); }
    // An entry the run left out, with the reason; for folders the path ends with "/". A
    // difference may hide there: a name that is not text, a special file, a folder that
    // cannot be listed, a file that cannot be read, a file against a folder.
    virtual void NotCompared(const QString &path, const QString &reason) = 0;
    // A folder the run did not walk because that hides nothing: a second route to a folder
    // compared under another name, or a folder that leads into the other tree. Shown like
    // an entry not compared unless the sink tells the two apart.
    virtual void Skipped(const QString &path, const QString &reason) { NotCompared(path, reason); }
};
