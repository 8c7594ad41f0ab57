// The window's share of the benchmark, offscreen:
//   fm-window-bench scan SOURCE DESTINATION RUNS  full scans through the window, memory per
//                                                 listed row, Stop latency, a totals refresh
//   fm-window-bench actions FILES                 "Copy all" and "Delete all" on FILES rows
//   fm-window-bench copyall SOURCE DESTINATION    seconds of "Copy all" of a scanned tree
//                                                 into an empty destination

#include "actions/TFileActionDialogs.h"
#include "actions/ui/TListActions.h"
#include "platform/TFileOperations.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "results/TResultListStatus.h"
#include "window/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

long RssKiB()
{
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

double ScanThroughWindow(TfrmMain &window, const QString &src, const QString &dst)
{
    QSignalSpy done(&window, &TfrmMain::ScanCompleted);
    QElapsedTimer t;
    t.start();
    window.StartScan(src, dst);
    done.wait(3600 * 1000);
    return t.elapsed() / 1000.0;
}

int Rows(TfrmMain &window)
{
    int rows = 0;
    for (int list = 1; list <= TfrmMain::ListCount; ++list)
        rows += window.FileList(list)->RowCount();
    return rows;
}

// Accepts every question; the benchmark measures the batch, not a person.
class TYesDialogs final : public TFileActionDialogs
{
public:
    bool ConfirmTrash(const QStringList &) override { return true; }
    TErrorChoice FileError(TBatchKind, const QString &, const TFileOpResult &) override { return ecCancel; }
    TTrashChoice TrashRefused(const QString &) override { return tcCancel; }
    TKeepChoice ReplaceWithoutKeeping(const QString &) override { return kcCancel; }
    void SkippedFiles(TBatchKind, const QStringList &) override {}
    bool ConfirmCloseDuringBatch() override { return false; }
    void BeginProgress(TBatchKind, int, qint64, std::atomic<bool> *) override {}
    void ShowProgress(const QString &, int, qint64) override {}
    void EndProgress() override {}
};

// Succeeds at once: what is left is the lists' own work.
class TInstantOperations final : public TFileOperations
{
public:
    TFileOpResult CopyFile(const QString &, const QString &, const TCopyOptions &, const TProgress &,
                           const std::atomic<bool> *) override
    {
        return {};
    }
    TFileOpResult MoveToTrash(const QString &) override { return {}; }
    TFileOpResult DeletePermanently(const QString &) override { return {}; }
};

int Scan(const QString &src, const QString &dst, int runs)
{
    TfrmMain window;
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    const long emptyKiB = RssKiB();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(ScanThroughWindow(window, src, dst));
    std::sort(times.begin(), times.end());
    const int rows = Rows(window);
    // Let the lists read their rows' details, as they do once the scan is over.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const long fullKiB = RssKiB();

    int biggest = 1;
    for (int list = 2; list <= TfrmMain::ListCount; ++list) {
        if (window.FileList(list)->RowCount() > window.FileList(biggest)->RowCount())
            biggest = list;
    }
    const int biggestRows = window.FileList(biggest)->RowCount();
    QElapsedTimer refresh;
    refresh.start();
    window.ListStatus()->RefreshListStatus(biggest);
    const double refreshMs = refresh.nsecsElapsed() / 1e6;

    // Stop: half a second into a run, then the time until the end has been handled.
    QSignalSpy done(&window, &TfrmMain::ScanCompleted);
    window.StartScan(src, dst);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QElapsedTimer stop;
    stop.start();
    window.Stop();
    done.wait(60000);
    const double stopMs = stop.nsecsElapsed() / 1e6;

    std::printf("window scan: %.3f s median of %d, %d rows (", times[times.size() / 2], runs, rows);
    for (int list = 1; list <= TfrmMain::ListCount; ++list)
        std::printf("%s%d", list > 1 ? " " : "", window.FileList(list)->TotalFileCount());
    std::printf(" by list at the end)\n");
    std::printf("window scan best: %.3f s\n", times.front());
    std::printf("memory: %ld KiB empty window, %ld KiB with the rows: %.0f bytes per row\n", emptyKiB, fullKiB,
                rows ? (fullKiB - emptyKiB) * 1024.0 / rows : 0.0);
    std::printf("totals refresh of list %d (%d rows): %.2f ms\n", biggest, biggestRows, refreshMs);
    std::printf("stop: the end handled %.1f ms after Stop\n", stopMs);
    return 0;
}

int Actions(int files)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"src"_s), dst = dir.filePath(u"dst"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_s)));
    for (int i = 0; i < files; ++i) {
        const QString folder = src + u"/d%1"_s.arg(i / 1000);
        if (i % 1000 == 0)
            QDir().mkpath(folder);
        QFile f(folder + u"/f%1.txt"_s.arg(i));
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }
    QDir().mkpath(dst);
    TfrmMain window;
    TYesDialogs dialogs;
    window.Actions().SetDialogs(&dialogs);

    TInstantOperations instant;
    ScanThroughWindow(window, src, dst);
    window.Actions().SetFileOperations(&instant);
    QElapsedTimer t;
    t.start();
    window.Actions().Copy(1);
    const double listsCopy = t.elapsed() / 1000.0;
    t.restart();
    window.Actions().Delete(5);
    const double listsDelete = t.elapsed() / 1000.0;

    window.Actions().SetFileOperations(nullptr);
    ScanThroughWindow(window, src, dst);
    t.restart();
    window.Actions().Copy(1);
    const double copyAll = t.elapsed() / 1000.0;
    const int duplicates = window.FileList(5)->RowCount();
    t.restart();
    window.Actions().Delete(5);
    const double deleteAll = t.elapsed() / 1000.0;
    std::printf("%d rows: lists alone, copy all %.3f s, delete all %.3f s\n", files, listsCopy, listsDelete);
    std::printf("%d rows: copy all %.2f s (%d pairs filed), delete all to the trash %.2f s (%d rows to list 2)\n",
                files, copyAll, duplicates, deleteAll, window.FileList(2)->RowCount());
    return 0;
}

// "Copy all to Destination" of every file of source into the empty folder destination,
// through the window with its own dialogs: from the click until the rows are filed.
int CopyAll(const QString &src, const QString &dst)
{
    TfrmMain window;
    window.resize(1000, 700);
    window.show();
    ScanThroughWindow(window, src, dst);
    const int rows = window.FileList(1)->RowCount();
    ::sync();
    QElapsedTimer t;
    t.start();
    window.Actions().Copy(1);
    const double copyAll = t.nsecsElapsed() / 1e9;
    if (window.FileList(1)->RowCount() != 0 || window.FileList(5)->RowCount() != rows) {
        std::fprintf(stderr, "copy all left %d of %d rows\n", window.FileList(1)->RowCount(), rows);
        return 1;
    }
    std::printf("%.3f\n", copyAll);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    OpenSettingsHive(home.filePath(u"settings.sqlite3"_s));
    const QStringList args = QApplication::arguments();
    if (args.size() == 5 && args[1] == u"scan"_s)
        return Scan(args[2], args[3], args[4].toInt());
    if (args.size() == 3 && args[1] == u"actions"_s)
        return Actions(args[2].toInt());
    if (args.size() == 4 && args[1] == u"copyall"_s)
        return CopyAll(args[2], args[3]);
    std::fprintf(stderr,
                 "usage: fm-window-bench scan SOURCE DESTINATION RUNS | actions FILES | copyall SOURCE DESTINATION\n");
    return 2;
}
