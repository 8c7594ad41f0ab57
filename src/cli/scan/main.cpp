// foldermate-scan: the comparison engine without a window, for scripts and benchmarks.

#include "cli/scan/TProgressLine.h"
#include "cli/scan/TRecordSink.h"
#include "cli/scan/TScanCommandLine.h"
#include "engine/TScanRun.h"
#include "platform/TNativeName.h"
#include "support/TLanguageTable.h"
#include "support/TScanTextLines.h"
#include "support/TTextLine.h"

#include <QCoreApplication>
#include <QDir>

#include <atomic>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // The look-ahead threads allocate little; a malloc arena of their own each would hold
    // more memory than their whole window of work.
    ::mallopt(M_ARENA_MAX, 2);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("foldermate-scan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FM_VERSION));

    TScanCommandLine commandLine;
    if (commandLine.Parse(QCoreApplication::arguments(), QDir::currentPath()) == TScanCommandLine::coExit) {
        const QByteArray message = TNativeName::Encode(commandLine.Message);
        FILE *out = commandLine.ExitCode == TScanCommandLine::ecDone ? stdout : stderr;
        std::fputs(message.constData(), out);
        if (!message.endsWith('\n'))
            std::fputc('\n', out);
        return commandLine.ExitCode;
    }

    const TLanguageTable english = TLanguageTable::BuiltInEnglish();
    const TScanTexts texts = TScanTextLines::Texts([&](int line) { return english.text(line); });
    std::atomic<bool> stop{false};
    const TRecordSink::TFormat format = commandLine.Format == u"json"  ? TRecordSink::rfJson
                                        : commandLine.Format == u"tsv" ? TRecordSink::rfTsv
                                                                       : TRecordSink::rfList;
    TRecordSink sink(stdout, commandLine.ShowStatus ? stderr : nullptr, commandLine.NullTerminated, format);
    TScanProgress progress;
    std::unique_ptr<TProgressLine> progressLine;
    if (commandLine.ShowProgress) {
        progressLine = std::make_unique<TProgressLine>(stderr, ::isatty(STDERR_FILENO) == 1, progress,
                                                       english.text(tlScanProgress));
        sink.SetLineWriter([&](FILE *stream, const QByteArray &line) { progressLine->Write(stream, line); });
    }
    const QString error = TScanRun(commandLine.Options, texts, sink, stop, &progress).Execute();
    if (progressLine)
        progressLine->Finish();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", TRecordSink::OneLine(error).constData());
        return TScanCommandLine::ecCannotCompare;
    }
    if (!sink.Flush()) {
        std::fprintf(stderr, "foldermate-scan: could not write the results\n");
        return TScanCommandLine::ecWriteFailed;
    }
    // The scan ran, but some entries were left out (each named on stderr); entries
    // skipped because they hide nothing leave the status alone.
    return sink.NotComparedCount() > 0 ? TScanCommandLine::ecLeftOut : TScanCommandLine::ecDone;
}
