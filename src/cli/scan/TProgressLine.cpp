#include "cli/scan/TProgressLine.h"

#include <QLocale>

#include <chrono>

TProgressLine::TProgressLine(FILE *stream, bool terminal, const TScanProgress &progress, const QString &pattern)
    : FStream(stream)
    , FTerminal(terminal)
    , FProgress(progress)
    , FPattern(pattern)
{
    FClock.start();
    if (!FTerminal)
        return;
    FRefresh = std::thread([this] {
        std::unique_lock<std::mutex> lock(FLock);
        while (!FWake.wait_for(lock, std::chrono::milliseconds(RefreshMs), [this] { return FDone; }))
            Draw(false);
    });
}

TProgressLine::~TProgressLine()
{
    Finish();
}

void TProgressLine::Write(FILE *out, const QByteArray &line)
{
    std::lock_guard<std::mutex> lock(FLock);
    if (out == FStream && FShowing) {
        std::fputs("\r\033[K", FStream);
        FShowing = false;
    }
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fflush(out);
}

void TProgressLine::Finish()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FDone)
            return;
        FDone = true;
    }
    FWake.notify_all();
    if (FRefresh.joinable())
        FRefresh.join();
    std::lock_guard<std::mutex> lock(FLock);
    Draw(true);
}

void TProgressLine::Draw(bool last)
{
    const QString text = FProgress.Text(FPattern, FClock.elapsed(), QLocale::c());
    QByteArray line = (FTerminal ? "\r" : "") + text.toUtf8() + (FTerminal ? "\033[K" : "");
    if (last)
        line += '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), FStream);
    std::fflush(FStream);
    FShowing = !last;
}
