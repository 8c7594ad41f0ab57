#pragma once

#include <QtGlobal>

#include <atomic>

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
    void Reset()
    {
        for (std::atomic<qint64> *count : {&Folders, &Files, &Pairs, &Bytes})
            count->store(0, std::memory_order_relaxed);
    }
};
