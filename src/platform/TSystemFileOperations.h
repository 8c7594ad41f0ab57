#pragma once

#include "platform/TFileOperations.h"

// File operations on the real file system: copies go through a temporary file in the
// target folder that is flushed and renamed over the target, deletes go to the
// freedesktop trash through GIO.
class TSystemFileOperations final : public TFileOperations
{
public:
    TFileOpResult CopyFile(const QString &source, const QString &target,
                           const TProgress &progress, const std::atomic<bool> *cancel) override;
    TFileOpResult MoveToTrash(const QString &path) override;
    TFileOpResult DeletePermanently(const QString &path) override;
};
