#pragma once

#include <atomic>
#include <functional>

// What a long comparison is handed by whoever waits for it: a flag to give up on, tested
// between blocks of work, and where to report how far it has got (0 to 1000).
struct TCompareControl
{
    const std::atomic<bool> *Cancel = nullptr;
    std::function<void(int permille)> Progress;

    bool Cancelled() const { return Cancel && Cancel->load(std::memory_order_relaxed); }
    void Report(int permille) const
    {
        if (Progress)
            Progress(permille);
    }
};
