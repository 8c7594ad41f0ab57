#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <sys/inotify.h>

#include <vector>

// One inotify instance with a stop signal beside it. A thread blocks in Wait until
// change records arrive or another thread calls RequestStop; nothing polls.
class TInotifyWatch
{
public:
    struct TEvent
    {
        int Wd = -1;
        quint32 Mask = 0;
        quint32 Cookie = 0;
        QByteArray Name; // bytes as the kernel gives them, without the padding NULs
    };
    enum class TWaitResult { Events, TimedOut, Stopped, Failed };

    // The kernel's read buffer: enough for thousands of records per read.
    static constexpr qsizetype BufferSize = 0x40000;

    TInotifyWatch() = default;
    ~TInotifyWatch();
    TInotifyWatch(const TInotifyWatch &) = delete;
    TInotifyWatch &operator=(const TInotifyWatch &) = delete;

    // 0, or the errno of the failure.
    int Open();
    bool IsOpen() const { return FFd >= 0; }
    void Close();

    // The watch descriptor, or -errno.
    int AddWatch(const QByteArray &NativePath, quint32 Mask);
    void RemoveWatch(int Wd);

    // Blocks until records arrive (appended to Events), RequestStop is called, or
    // TimeoutMs passes (-1: no time limit). A stop request wins over waiting records.
    TWaitResult Wait(std::vector<TEvent> &Events, int TimeoutMs = -1);
    // Safe from any thread; a stop request stays until Close.
    void RequestStop();

private:
    int FFd = -1;
    int FStopFd = -1;
    std::vector<char> FBuffer;
};
