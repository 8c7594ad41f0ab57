// The comparison of two files as the pair view runs it, without the window.
//   fm-diff-bench gen LEFT RIGHT MIB PERCENT   two text files of MIB MiB, PERCENT of lines
//                                             changed (most edited, some inserted or deleted)
//   fm-diff-bench run [--ignore-space] LEFT RIGHT
//       prints: wall s, CPU s, peak resident KiB, resident KiB before reading, differences
//   fm-diff-bench cancel LEFT RIGHT MS        on the job's thread, cancelled after MS ms:
//       prints the ms from Cancel to the job's end

#include "compare/TPairCompareJob.h"
#include "compare/TPairComparison.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace {

long StatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int Generate(const char *leftPath, const char *rightPath, long mib, double percent)
{
    static const char *const Words[] = {"the",   "value", "of",      "a",     "file",   "folder", "copy",
                                        "time",  "size",  "return",  "int",   "string", "if",     "else",
                                        "while", "name",  "result",  "= 0;",  "{",      "}",      "(x)",
                                        "error", "count", "options", "const", "list",   "item",   "->next"};
    constexpr int WordCount = sizeof Words / sizeof Words[0];
    std::mt19937_64 random(42);
    const auto line = [&] {
        std::string text(size_t(random() % 8) * 4, ' '); // an indent
        const int words = 2 + int(random() % 14);
        for (int w = 0; w < words; ++w)
            text += std::string(Words[random() % WordCount]) + (w + 1 < words ? " " : "\n");
        return text;
    };
    FILE *left = std::fopen(leftPath, "wb");
    FILE *right = std::fopen(rightPath, "wb");
    if (!left || !right)
        return 1;
    const long target = mib << 20;
    long written = 0, changed = 0, lines = 0;
    std::uniform_real_distribution<double> chance(0, 100);
    while (written < target) {
        std::string text = line();
        std::fputs(text.c_str(), left);
        written += long(text.size());
        ++lines;
        if (chance(random) < percent) {
            ++changed;
            const int kind = int(random() % 10);
            if (kind < 8) {
                text.insert(text.size() / 2, "changed ");
                std::fputs(text.c_str(), right);
            } else if (kind == 8) {
                std::fputs(line().c_str(), right); // inserted before
                std::fputs(text.c_str(), right);
            } // else deleted
        } else {
            std::fputs(text.c_str(), right);
        }
    }
    std::fclose(left);
    std::fclose(right);
    std::printf("%ld lines, %ld changed\n", lines, changed);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "gen" && argc == 6)
        return Generate(argv[2], argv[3], std::atol(argv[4]), std::atof(argv[5]));
    if (mode == "run" && (argc == 4 || argc == 5)) {
        const bool ignoreSpace = argc == 5 && std::strcmp(argv[2], "--ignore-space") == 0;
        const long before = StatusKiB("VmRSS:");
        QElapsedTimer wall;
        wall.start();
        const double cpu = CpuSeconds();
        TPairComparison pair;
        const auto kind = pair.Run(argv[argc - 2], argv[argc - 1], ignoreSpace);
        std::printf("%.3f %.3f %ld %ld %lld\n", double(wall.nsecsElapsed()) / 1e9, CpuSeconds() - cpu,
                    StatusKiB("VmHWM:"), before,
                    kind == TPairComparison::pkText ? static_cast<long long>(pair.Text().DifferenceCount()) : -1ll);
        return kind == TPairComparison::pkText ? 0 : 1;
    }
    if (mode == "cancel" && argc == 5) {
        TPairCompareJob job;
        QElapsedTimer sinceCancel;
        QObject::connect(&job, &TPairCompareJob::Finished, &app, [&] {
            std::printf("%.1f\n", sinceCancel.isValid() ? double(sinceCancel.nsecsElapsed()) / 1e6 : -1.0);
            app.quit();
        });
        job.Start(argv[2], argv[3], false);
        QTimer::singleShot(std::atoi(argv[4]), &app, [&] {
            sinceCancel.start();
            job.Cancel();
        });
        return app.exec();
    }
    std::fprintf(stderr, "usage: fm-diff-bench gen LEFT RIGHT MIB PERCENT | run [--ignore-space] LEFT RIGHT"
                         " | cancel LEFT RIGHT MS\n");
    return 2;
}
