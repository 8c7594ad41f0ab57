#pragma once

#include "cli/sync/TSyncCommandLine.h"
#include "engine/TScanSink.h"
#include "platform/TCopyOptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <optional>

// The scan's sink for foldermate-sync: it takes the findings of the lists the chosen
// actions act on and turns each into a step (a file and what to do with it). Entries the
// scan leaves out are named on stderr as foldermate-scan names them.
class TSyncPlan final : public TScanSink
{
public:
    struct TStep
    {
        TSyncCommandLine::TAction Action;
        QString Path;   // the file acted on
        QString Target; // where a copy goes; empty for the trash
        qint64 Size = 0;
        std::optional<TCopyOptions::TSeen> TargetSeen = std::nullopt; // an update's older file, as the scan saw it
    };

    TSyncPlan(const TSyncCommandLine &commandLine, FILE *status);

    void ShowStatus(const QString &text) override;
    void AddToList(int list, const QString &path) override;
    void AddFinding(const TFinding &finding) override;
    void NotCompared(const QString &path, const QString &reason) override;
    void Skipped(const QString &path, const QString &reason) override;

    int NotComparedCount() const { return FNotCompared; }
    const QList<TStep> &Steps() const { return FSteps; }
    // Why the steps must not run: one root holds no file the scan found while the other
    // does, so that every step would come from that emptiness alone (an unplugged disk
    // whose mount point is an empty folder reads as "every file is missing"). Empty when
    // the steps may run.
    QString EmptyRootRefusal() const;
    // The dry run's record of a step, ended by a newline or NUL; empty when the record
    // cannot hold the path unchanged, with the reason in *why.
    QByteArray Record(const TStep &step, QString *why) const;

private:
    const TSyncCommandLine &FCommandLine;
    FILE *FStatus;
    QList<TStep> FSteps;
    qint64 FFiles[2] = {}; // files the scan found: source, destination
    int FNotCompared = 0;
};
