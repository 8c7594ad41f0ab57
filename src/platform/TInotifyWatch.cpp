#include "platform/TInotifyWatch.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

TInotifyWatch::~TInotifyWatch()
{
    Close();
}

int TInotifyWatch::Open()
{
    Close();
    FFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FFd < 0)
        return errno;
    FStopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (FStopFd < 0) {
        const int err = errno;
        Close();
        return err;
    }
    FBuffer.assign(static_cast<size_t>(BufferSize), 0);
    return 0;
}

void TInotifyWatch::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    if (FStopFd >= 0)
        ::close(FStopFd);
    FFd = -1;
    FStopFd = -1;
}

int TInotifyWatch::AddWatch(const QByteArray &NativePath, quint32 Mask)
{
    const int wd = ::inotify_add_watch(FFd, NativePath.constData(), Mask);
    return wd >= 0 ? wd : -errno;
}

void TInotifyWatch::RemoveWatch(int Wd)
{
    ::inotify_rm_watch(FFd, Wd);
}

void TInotifyWatch::RequestStop()
{
    const quint64 one = 1;
    // The counter only has to become non-zero; a failed write means it already is.
    [[maybe_unused]] const ssize_t n = ::write(FStopFd, &one, sizeof one);
}

TInotifyWatch::TWaitResult TInotifyWatch::Wait(std::vector<TEvent> &Events, int TimeoutMs)
{
    if (FFd < 0 || FStopFd < 0)
        return TWaitResult::Failed;
    for (;;) {
        pollfd fds[2] = {{FStopFd, POLLIN, 0}, {FFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, TimeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return TWaitResult::Failed;
        }
        if (ready == 0)
            return TWaitResult::TimedOut;
        if (fds[0].revents)
            return TWaitResult::Stopped;
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))
            return TWaitResult::Failed;
        const ssize_t got = ::read(FFd, FBuffer.data(), FBuffer.size());
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return TWaitResult::Failed;
        }
        if (got == 0) // never from a working descriptor; reading on would only spin
            return TWaitResult::Failed;
        size_t at = 0;
        const size_t end = static_cast<size_t>(got);
        while (at + sizeof(inotify_event) <= end) {
            inotify_event header;
            std::memcpy(&header, FBuffer.data() + at, sizeof header);
            const size_t nameAt = at + sizeof(inotify_event);
            if (header.len > end - nameAt)
                break;
            TEvent event;
            event.Wd = header.wd;
            event.Mask = header.mask;
            event.Cookie = header.cookie;
            const char *name = FBuffer.data() + nameAt;
            event.Name = QByteArray(name, static_cast<qsizetype>(::strnlen(name, header.len)));
            Events.push_back(std::move(event));
            at = nameAt + header.len;
        }
        return TWaitResult::Events;
    }
}
