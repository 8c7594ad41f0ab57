#include "engine/TScanProgress.h"

#include <QLocale>

void TScanProgress::Reset()
{
    for (std::atomic<qint64> *count : {&Folders, &Files, &Pairs, &Bytes})
        count->store(0, std::memory_order_relaxed);
}

QString TScanProgress::Text(const QString &pattern, qint64 elapsedMs, const QLocale &locale) const
{
    const auto count = [&](const std::atomic<qint64> &n) { return locale.toString(n.load(std::memory_order_relaxed)); };
    const qint64 seconds = elapsedMs / 1000;
    const QString elapsed = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const QString bytes =
        locale.formattedDataSize(Bytes.load(std::memory_order_relaxed), 1, QLocale::DataSizeTraditionalFormat);
    return pattern.arg(count(Folders), count(Files), count(Pairs), bytes, elapsed);
}
