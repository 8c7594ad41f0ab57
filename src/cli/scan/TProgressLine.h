#pragma once

#include "engine/TScanProgress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

// The counts of a run on one line of a stream (stderr), never among the records. On a
// terminal the line is drawn anew every RefreshMs while the run works, and every other
// line written to that stream through Write() goes above it; elsewhere (a file, a pipe)
// only the last counts are written, once, when the run ends.
class TProgressLine
{
public:
    // pattern: the progress line with %1 folders, %2 files, %3 pairs, %4 bytes compared,
    // %5 the time since the start.
    TProgressLine(FILE *stream, bool terminal, const TScanProgress &progress, const QString &pattern);
    ~TProgressLine();

    // Writes one whole line to out; on the progress stream it takes the progress line's
    // place until the next refresh.
    void Write(FILE *out, const QByteArray &line);
    // The last counts, followed by a line break; the refreshes end.
    void Finish();

    static constexpr int RefreshMs = 100;

private:
    void Draw(bool last);

    FILE *FStream;
    const bool FTerminal;
    const TScanProgress &FProgress;
    const QString FPattern;
    QElapsedTimer FClock;
    std::mutex FLock;
    std::condition_variable FWake;
    bool FDone = false;
    bool FShowing = false; // the progress line is on the terminal's last line
    std::thread FRefresh;
};
