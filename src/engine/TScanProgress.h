#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>

class QLocale;

// How far a run has come, counted by the run as it goes and read at any time from any
// thread: a window or a terminal shows it while the run works, without asking the run.
// Each count only grows during a run and has one writer, the run's thread; a reader may
// be a moment behind.
struct TScanProgress
{
    std::atomic<qint64> Folders{0}; // folders listed, in both trees
    std::atomic<qint64> Files{0};   // files that passed the filter, in both trees
    std::atomic<qint64> Pairs{0};   // source files judged against a counterpart
    std::atomic<qint64> Bytes{0};   // bytes of the pairs whose contents were compared, one side

    static void Add(std::atomic<qint64> &count, qint64 amount = 1)
    {
        count.store(count.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
    }
    void Reset();
    // pattern with %1 folders, %2 files, %3 pairs, %4 bytes compared and %5 the elapsed
    // time (minutes:seconds), filled in with the counts as they are now.
    QString Text(const QString &pattern, qint64 elapsedMs, const QLocale &locale) const;
};
