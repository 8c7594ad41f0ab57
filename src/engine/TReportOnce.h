#pragma once

#include "engine/TScanSink.h"

#include <QSet>
#include <QString>

// Passes everything on to another sink, but names each entry left out only once: an entry
// that cannot be looked up may be met both as the counterpart of a file in one pass and by
// the other pass's walk.
class TReportOnce final : public TScanSink
{
public:
    explicit TReportOnce(TScanSink &sink)
        : FSink(sink)
    {}

    void ShowStatus(const QString &text) override { FSink.ShowStatus(text); }
    void ShowFileStatus(const QString &text) override { FSink.ShowFileStatus(text); }
    void AddToList(int list, const QString &path) override { FSink.AddToList(list, path); }
    void AddFinding(const TFinding &finding) override { FSink.AddFinding(finding); }
    void NotCompared(const QString &path, const QString &reason) override;
    void Skipped(const QString &path, const QString &reason) override;

private:
    TScanSink &FSink;
    QSet<QString> FNamed; // the paths named so far, left out or skipped
};
