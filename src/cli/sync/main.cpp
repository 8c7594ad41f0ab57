// foldermate-sync: a scan like foldermate-scan, then the window's own batch on the chosen
// lists, for scripts and scheduled backups.

#include "actions/TFileBatch.h"
#include "cli/scan/TRecordSink.h"
#include "cli/sync/TSyncCommandLine.h"
#include "cli/sync/TSyncPlan.h"
#include "cli/sync/TTerminalDialogs.h"
#include "engine/TScanRun.h"
#include "platform/TNativeName.h"
#include "platform/TSystemFileOperations.h"
#include "support/TLanguageTable.h"
#include "support/TScanTextLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Set by SIGINT or SIGTERM: the scan stops, a batch ends after the file in hand. A second
// signal ends the program at once, which tears nothing either: every copy is put in place
// whole or not at all.
std::atomic<bool> gInterrupted{false};
// The cancel flag of the batch that runs, set at once so that no further file is started
// while the window's side of the batch would notice the signal.
std::atomic<std::atomic<bool> *> gBatchCancel{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::atomic<bool> *>::is_always_lock_free);

extern "C" void OnSignal(int)
{
    gInterrupted = true;
    if (std::atomic<bool> *cancel = gBatchCancel.load())
        cancel->store(true);
}

void CatchSignals()
{
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void Say(const QString &text)
{
    std::fprintf(stderr, "foldermate-sync: %s\n", TRecordSink::OneLine(text).constData());
}

struct TTally
{
    int Files = 0;
    qint64 Bytes = 0;
};

// Runs one batch of steps; done gains what it finished, or forGood what it deleted for good
// (where it was asked to tell them apart).
void RunBatch(TFileBatch &batch, TFileActionDialogs::TBatchKind kind, const QList<TSyncPlan::TStep> &steps,
              TTally &done, const TCopyOptions &options = {}, const TTerminalDialogs *dialogs = nullptr,
              TTally *forGood = nullptr)
{
    if (steps.isEmpty())
        return;
    QList<TFileBatch::TItem> items;
    qint64 total = 0;
    for (const TSyncPlan::TStep &s : steps) {
        // A missing file is copied as a new one: a file that appeared since the scan stays.
        const bool newOnly = s.Action == TSyncCommandLine::saCopyMissing || s.Action == TSyncCommandLine::saCopyBack;
        items << TFileBatch::TItem{s.Path, s.Target, newOnly, s.TargetSeen};
        total += s.Size;
    }
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&batch] {
        if (gInterrupted.load())
            batch.Cancel();
    });
    watch.start();
    batch.Run(kind, items, total, options);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (batch.Done().at(i)) {
            TTally &tally = forGood && dialogs->ForGood(steps.at(i).Path) ? *forGood : done;
            ++tally.Files;
            tally.Bytes += steps.at(i).Size;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("foldermate-sync"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FM_VERSION));

    TSyncCommandLine commandLine;
    if (commandLine.Parse(QCoreApplication::arguments(), QDir::currentPath()) == TSyncCommandLine::coExit) {
        const QByteArray message = TNativeName::Encode(commandLine.Message);
        FILE *out = commandLine.ExitCode == TSyncCommandLine::ecDone ? stdout : stderr;
        std::fputs(message.constData(), out);
        if (!message.endsWith('\n'))
            std::fputc('\n', out);
        return commandLine.ExitCode;
    }
    CatchSignals();

    const TLanguageTable english = TLanguageTable::BuiltInEnglish();
    const TScanTexts texts = TScanTextLines::Texts([&](int line) { return english.text(line); });
    TSyncPlan plan(commandLine, commandLine.ShowStatus ? stderr : nullptr);
    const QString error = TScanRun(commandLine.Options, texts, plan, gInterrupted).Execute();
    if (!error.isEmpty()) {
        Say(error);
        return TSyncCommandLine::ecCannotCompare;
    }
    if (gInterrupted.load()) {
        Say(QStringLiteral("interrupted during the scan: nothing was changed"));
        return TSyncCommandLine::ecInterrupted;
    }
    const QString refusal = plan.EmptyRootRefusal();
    if (!refusal.isEmpty()) {
        Say(refusal);
        return TSyncCommandLine::ecEmptyRoot;
    }
    const TSyncCommandLine::TExitCode scanStatus =
        plan.NotComparedCount() > 0 ? TSyncCommandLine::ecLeftOut : TSyncCommandLine::ecDone;

    if (commandLine.DryRun) {
        bool unprinted = false;
        for (const TSyncPlan::TStep &step : plan.Steps()) {
            QString why;
            const QByteArray record = plan.Record(step, &why);
            if (record.isEmpty()) {
                unprinted = true;
                std::fprintf(stderr, "not printed: %s: %s\n", TRecordSink::OneLine(why).constData(),
                             TRecordSink::OneLine(step.Path).constData());
                continue;
            }
            std::fwrite(record.constData(), 1, size_t(record.size()), stdout);
        }
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            Say(QStringLiteral("could not write the records"));
            return TSyncCommandLine::ecWriteFailed;
        }
        return unprinted ? TSyncCommandLine::ecLeftOut : scanStatus;
    }

    QList<TSyncPlan::TStep> copies, trash;
    for (const TSyncPlan::TStep &step : plan.Steps())
        (step.Action == TSyncCommandLine::saTrashExtra ? trash : copies) << step;
    TSystemFileOperations operations;
    TTerminalDialogs dialogs(stderr, commandLine.PermanentWhenNoTrash, ::isatty(STDERR_FILENO) == 1);
    dialogs.PublishCancel(&gBatchCancel);
    TTally copied, trashed, deleted;
    {
        TFileBatch batch(operations, dialogs);
        RunBatch(batch, TFileActionDialogs::bkCopy, copies, copied, commandLine.CopyOptions);
    }
    if (!gInterrupted.load()) {
        TFileBatch batch(operations, dialogs);
        RunBatch(batch, TFileActionDialogs::bkTrash, trash, trashed, {}, &dialogs, &deleted);
    }

    const int failed = dialogs.FailedCount();
    const int skipped = int(plan.Steps().size()) - copied.Files - trashed.Files - deleted.Files - failed;
    // Files deleted for good are not called trashed: they cannot be restored.
    const QByteArray forGood = deleted.Files == 0 ? QByteArray()
                                                  : QByteArray("deleted for good %1 files (%2 bytes), ")
                                                        .replace("%1", QByteArray::number(deleted.Files))
                                                        .replace("%2", QByteArray::number(deleted.Bytes));
    std::fprintf(stderr,
                 "foldermate-sync: copied %d files (%lld bytes), trashed %d files (%lld bytes), %s%d skipped, "
                 "%d failed%s\n",
                 copied.Files, static_cast<long long>(copied.Bytes), trashed.Files,
                 static_cast<long long>(trashed.Bytes), forGood.constData(), skipped, failed,
                 gInterrupted.load() ? ", interrupted" : "");
    if (gInterrupted.load())
        return TSyncCommandLine::ecInterrupted;
    if (failed > 0 || skipped > 0)
        return TSyncCommandLine::ecFilesFailed;
    return scanStatus;
}
