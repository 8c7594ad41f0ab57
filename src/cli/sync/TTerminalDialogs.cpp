#include "cli/sync/TTerminalDialogs.h"

#include "cli/scan/TRecordSink.h"
#include "platform/TFileOperations.h"

using namespace Qt::StringLiterals;

TTerminalDialogs::TTerminalDialogs(FILE *err, bool permanentWhenNoTrash, bool showProgress)
    : FErr(err)
    , FPermanent(permanentWhenNoTrash)
    , FShowProgress(showProgress)
{}

void TTerminalDialogs::Line(const QByteArray &text)
{
    // A progress line in place is cleared first, so that the message stands on its own.
    if (FProgressShown) {
        std::fputs("\r\033[K", FErr);
        FProgressShown = false;
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), FErr);
    std::fputc('\n', FErr);
    std::fflush(FErr);
}

void TTerminalDialogs::Name(const char *prefix, const QString &path, const QString &reason)
{
    FNamed.insert(path);
    Line(prefix + TRecordSink::OneLine(reason) + ": " + TRecordSink::OneLine(path));
}

bool TTerminalDialogs::ConfirmTrash(const QStringList &paths)
{
    // The command line asked for it.
    Q_UNUSED(paths)
    return true;
}

TFileActionDialogs::TErrorChoice TTerminalDialogs::FileError(TBatchKind kind, const QString &path,
                                                             const TFileOpResult &reason)
{
    Q_UNUSED(kind)
    FFailed.insert(path);
    // Scripts read the English text, as foldermate-scan's.
    Name("failed: ", path, reason.Message);
    return ecSkip;
}

TFileActionDialogs::TTrashChoice TTerminalDialogs::TrashRefused(const QString &path)
{
    if (FPermanent) {
        FForGood.insert(path);
        return tcYes;
    }
    Name("skipped: ", path, u"its volume has no trash; --permanent-when-no-trash would delete it for good"_s);
    return tcNo;
}

TFileActionDialogs::TKeepChoice TTerminalDialogs::ReplaceWithoutKeeping(const QString &path)
{
    // Asked once a batch; the answer holds for every such file of the batch, and the ones
    // after this are named when the batch ends (SkippedFiles).
    Q_UNUSED(path)
    return FPermanent ? kcReplace : kcSkip;
}

void TTerminalDialogs::SkippedFiles(TBatchKind kind, const QStringList &paths)
{
    Q_UNUSED(kind)
    for (const QString &path : paths) {
        if (!FNamed.contains(path))
            Name("skipped: ", path,
                 u"the file it would replace cannot be kept in the trash (its volume has none); "
                 "--permanent-when-no-trash would replace it without keeping"_s);
    }
}

void TTerminalDialogs::NotKept(const QList<int> &files)
{
    static const char *const what[TFileOpResult::UnkeptKinds] = {"owner", "permissions", "times", "ACLs",
                                                                 "extended attributes"};
    for (int k = 0; k < files.size() && k < TFileOpResult::UnkeptKinds; ++k) {
        if (files.at(k) > 0)
            Line("note: the target kept no " + QByteArray(what[k]) + " for " + QByteArray::number(files.at(k))
                 + " copied file(s)");
    }
}

bool TTerminalDialogs::ConfirmCloseDuringBatch()
{
    return true;
}

void TTerminalDialogs::BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel)
{
    if (FCancelSlot)
        FCancelSlot->store(cancel);
    FKind = kind;
    FFiles = files;
    FBytes = bytes;
}

void TTerminalDialogs::ShowProgress(const QString &current, int filesDone, qint64 bytesDone)
{
    if (!FShowProgress)
        return;
    QByteArray line = FKind == bkCopy ? "copying " : "moving to the trash ";
    line += QByteArray::number(filesDone) + '/' + QByteArray::number(FFiles) + " files";
    if (FKind == bkCopy && FBytes > 0)
        line += ", " + QByteArray::number(bytesDone * 100 / FBytes) + '%';
    QByteArray name = TRecordSink::OneLine(current);
    if (name.size() > 50)
        name = "..." + name.right(47);
    line += ": " + name;
    std::fputs("\r\033[K", FErr);
    std::fwrite(line.constData(), 1, size_t(line.size()), FErr);
    std::fflush(FErr);
    FProgressShown = true;
}

void TTerminalDialogs::EndProgress()
{
    if (FCancelSlot)
        FCancelSlot->store(nullptr);
    if (FProgressShown) {
        std::fputs("\r\033[K", FErr);
        std::fflush(FErr);
        FProgressShown = false;
    }
}
