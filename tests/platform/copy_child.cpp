// Copies one file with the program's copier, slowly, announcing each chunk on stdout,
// so that a test can kill it half way through.

#include "platform/TSystemFileOperations.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    TSystemFileOperations ops;
    const TFileOpResult r = ops.CopyFile(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                         [](qint64 done) {
        std::printf("%lld\n", static_cast<long long>(done));
        std::fflush(stdout);
        QThread::msleep(20);
    }, nullptr);
    return r.Ok() ? 0 : 1;
}
