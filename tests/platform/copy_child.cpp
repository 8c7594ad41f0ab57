// Copies files with the program's copier as one group, announcing each chunk on stdout,
// so that a test can kill it at any moment:
//   fm_copy_child [--named] [--slow] [--keep] [--wait] SOURCE TARGET [SOURCE TARGET ...]
// --keep: replaced files go to the trash. --wait: once all are staged, waits for a line
// (or the end) on stdin before it finishes them.

#include "platform/TSystemFileOperations.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TSystemFileOperations ops;
    bool slow = false;
    bool wait = false;
    TCopyOptions options;
    int first = 1;
    for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
        if (std::strcmp(argv[first], "--named") == 0)
            ops.SetNamedTemporaries(true);
        else if (std::strcmp(argv[first], "--slow") == 0)
            slow = true;
        else if (std::strcmp(argv[first], "--keep") == 0)
            options.KeepReplaced = true;
        else if (std::strcmp(argv[first], "--wait") == 0)
            wait = true;
    }
    if (argc - first < 2 || (argc - first) % 2 != 0)
        return 2;
    const auto progress = [slow](qint64 done) {
        std::printf("%lld\n", static_cast<long long>(done));
        std::fflush(stdout);
        if (slow)
            QThread::msleep(20);
    };
    for (int i = first; i < argc; i += 2) {
        if (!ops.StageCopy(QString::fromLocal8Bit(argv[i]), QString::fromLocal8Bit(argv[i + 1]), options, progress,
                           nullptr)
                 .Ok())
            return 1;
    }
    std::printf("staged\n");
    std::fflush(stdout);
    if (wait)
        std::getchar();
    return ops.FinishCopies().isEmpty() ? 0 : 1;
}
