#include "engine/TReportOnce.h"

void TReportOnce::NotCompared(const QString &path, const QString &reason)
{
    if (!FNamed.contains(path)) {
        FNamed.insert(path);
        FSink.NotCompared(path, reason);
    }
}

void TReportOnce::Skipped(const QString &path, const QString &reason)
{
    if (!FNamed.contains(path)) {
        FNamed.insert(path);
        FSink.Skipped(path, reason);
    }
}
