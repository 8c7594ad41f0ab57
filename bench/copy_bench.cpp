// The copy and delete batches without the window: "Copy all" of a tree, or "Delete all"
// to the trash of every file under a folder, through the same batch and file operations
// the window uses, with dialogs that answer nothing. Prints the wall time in seconds.
//   fm-copy-bench gen DIR FILES [SIZE]   makes FILES files of SIZE bytes, 200 a folder
//   fm-copy-bench copy [--keep] SRC DST   --keep: replaced files go to the trash
//   fm-copy-bench trash DIR

#include "actions/TFileBatch.h"
#include "platform/TSystemFileOperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

class TSilentDialogs final : public TFileActionDialogs
{
public:
    bool ConfirmTrash(const QStringList &) override { return true; }
    TErrorChoice FileError(TBatchKind, const QString &path, const TFileOpResult &reason) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(reason.Message));
        return ecSkipAll;
    }
    TTrashChoice TrashRefused(const QString &) override { return tcNo; }
    TKeepChoice ReplaceWithoutKeeping(const QString &) override { return kcReplace; }
    void SkippedFiles(TBatchKind, const QStringList &paths) override
    {
        std::fprintf(stderr, "%lld files skipped\n", static_cast<long long>(paths.size()));
    }
    bool ConfirmCloseDuringBatch() override { return false; }
    void BeginProgress(TBatchKind, int, qint64, std::atomic<bool> *) override {}
    void ShowProgress(const QString &, int, qint64) override {}
    void EndProgress() override {}
};

QStringList Files(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool keep = args.removeAll(QStringLiteral("--keep")) > 0;
    if (args.size() >= 4 && args.at(1) == QLatin1String("gen")) {
        const int files = args.at(3).toInt();
        const QByteArray content(args.size() > 4 ? args.at(4).toLongLong() : 1, 'x');
        for (int i = 0; i < files; ++i) {
            const QString folder = args.at(2) + QStringLiteral("/d%1").arg(i / 200);
            if (i % 200 == 0)
                QDir().mkpath(folder);
            QFile f(folder + QStringLiteral("/f%1.txt").arg(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
                return 1;
        }
        return 0;
    }
    TSilentDialogs dialogs;
    TSystemFileOperations ops;
    QList<TFileBatch::TItem> items;
    TFileActionDialogs::TBatchKind kind = TFileActionDialogs::bkCopy;
    qint64 bytes = 0;
    if (args.size() == 4 && args.at(1) == QLatin1String("copy")) {
        const QString src = QDir(args.at(2)).absolutePath(), dst = QDir(args.at(3)).absolutePath();
        for (const QString &f : Files(src)) {
            items.append({f, dst + f.mid(src.size())});
            bytes += QFileInfo(f).size();
        }
    } else if (args.size() == 3 && args.at(1) == QLatin1String("trash")) {
        kind = TFileActionDialogs::bkTrash;
        for (const QString &f : Files(args.at(2)))
            items.append({f, QString()});
    } else {
        std::fprintf(stderr, "usage: fm-copy-bench gen DIR FILES [SIZE] | copy [--keep] SRC DST | trash DIR\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    TFileBatch batch(ops, dialogs);
    const TFileBatch::TOutcome outcome = batch.Run(kind, items, bytes, {.KeepReplaced = keep});
    std::printf("%.3f\n", clock.nsecsElapsed() / 1e9);
    return outcome == TFileBatch::boSucceeded ? 0 : 1;
}
