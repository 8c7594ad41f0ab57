#include "compare/TPairCompareJob.h"

#include <QMetaObject>

TPairCompareJob::TPairCompareJob(QObject *parent)
    : QObject(parent)
    , FResult(std::make_unique<TPairComparison>())
{}

TPairCompareJob::~TPairCompareJob()
{
    FCancel.store(true);
    if (FThread.joinable())
        FThread.join();
}

void TPairCompareJob::Start(const QByteArray &leftPath, const QByteArray &rightPath, bool ignoreWhiteSpace)
{
    Q_ASSERT(!FThread.joinable());
    TPairComparison *result = FResult.get();
    FThread = std::thread([this, result, leftPath, rightPath, ignoreWhiteSpace] {
        TCompareControl control;
        control.Cancel = &FCancel;
        control.Progress = [this](int permille) {
            // Only a change of a whole per cent crosses to the owner's thread.
            const int percent = permille / 10;
            if (FLastProgress.exchange(percent) != percent)
                QMetaObject::invokeMethod(
                    this, [this, permille] { Q_EMIT Progress(permille); }, Qt::QueuedConnection);
        };
        result->Run(leftPath, rightPath, ignoreWhiteSpace, control);
        // The result is handed over by the thread's end, which Done waits for.
        QMetaObject::invokeMethod(this, &TPairCompareJob::Done, Qt::QueuedConnection);
    });
}

void TPairCompareJob::Done()
{
    FThread.join();
    FDone = true;
    Q_EMIT Finished();
}
