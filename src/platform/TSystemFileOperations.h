#pragma once

#include "platform/TFileOperations.h"
#include "platform/TTrashCan.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <functional>
#include <set>
#include <sys/types.h>
#include <utility>
#include <vector>

// File operations on the real file system. A copy is written to an unnamed temporary file
// in the target folder (a named one beside the target where the file system has none),
// with the source's data extents and what `cp -a` keeps of its metadata;
// a group of them is made durable with one flush of the file system and then linked, or
// renamed over the old target, into place. A crash leaves the old target or the new one,
// whole. Named temporaries of writers that are no longer running are removed when a copy
// next goes into their folder (TOwnTemporary tells which are). Target folders stay open
// within a batch, but each is used only while its path still names it: a folder renamed,
// replaced or deleted meanwhile is looked up (or made) again. Paths longer than the
// system's limit are walked folder by folder. Deletes go to the freedesktop trash through
// GIO. A replaced file that is to be kept gets its second name in the trash before the
// new file is renamed over it, in the same flush as the new content.
class TSystemFileOperations final : public TFileOperations
{
public:
    TSystemFileOperations();
    ~TSystemFileOperations() override;
    TSystemFileOperations(const TSystemFileOperations &) = delete;
    TSystemFileOperations &operator=(const TSystemFileOperations &) = delete;

    TFileOpResult CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                           const TProgress &progress, const std::atomic<bool> *cancel) override;
    TFileOpResult StageCopy(const QString &source, const QString &target, const TCopyOptions &options,
                            const TProgress &progress, const std::atomic<bool> *cancel) override;
    QList<TStagedFailure> FinishCopies() override;
    bool StagingFull() const override;
    void BeginBatch() override;
    TFileOpResult MoveToTrash(const QString &path) override;
    TFileOpResult DeletePermanently(const QString &path) override;
    void EndBatch() override;

    // How much one group holds before it is finished.
    void SetGroupLimits(int files, qint64 bytes);
    // Named temporary files even where unnamed ones would work (the fallback, for tests).
    void SetNamedTemporaries(bool named) { FNamedOnly = named; }
    // For tests: told each step that makes a copy durable or visible, in order, as it
    // begins: "trash TARGET", "flush", "place TARGET".
    void SetStepHook(std::function<void(const QString &step)> hook) { FStepHook = std::move(hook); }

private:
    struct TStaged
    {
        int Fd = -1;       // the new content
        int FolderFd = -1; // the target's folder
        dev_t Device = 0;  // of that folder
        ino_t Inode = 0;
        QByteArray Folder;     // its path
        QByteArray Name;       // in the folder
        int TempFolderFd = -1; // the folder that holds the named temporary
        QByteArray TempName;   // named temporary, or empty for an unnamed one
        QString Target;
        QByteArray Path;                         // the target, absolute, for the trash's restore information
        bool Keep = false;                       // the old target goes to the trash
        bool NewOnly = false;                    // no old target may be replaced
        std::optional<TCopyOptions::TSeen> Seen; // the old target as the user saw it
        TTrashCan::TEntry Trashed;               // where it went
    };

    int TargetFolder(const QByteArray &folder, int *error);
    TFileOpResult Reaim(TStaged &staged);
    void Discard(TStaged &staged);
    TFileOpResult Place(TStaged &staged);
    // A copy of this batch was put in place: a later one must not replace it under
    // another name that the volume takes for the same.
    void RememberWritten(const TStaged &staged);
    TFileOpResult RefuseTwin(int folderFd, const QByteArray &path, const QString &target);
    void Step(const QString &step) const;
    void RemoveCreatedFolders();
    void DropFolderCache();

    std::vector<TStaged> FStaged;
    qint64 FStagedBytes = 0;
    int FGroupFiles = 400;
    qint64 FGroupBytes = 64ll << 20;
    bool FNamedOnly = false;
    std::vector<QByteArray> FCreated;           // folders made for the copies in hand, outer first
    std::set<std::pair<dev_t, ino_t>> FCleaned; // folders already cleared of stale temporaries
    QSet<QByteArray> FSettled;                  // trash folders settled in this batch
    QByteArray FFolderPath;                     // the last target folder, kept open
    int FFolderFd = -1;
    dev_t FFolderDevice = 0;
    // The names this batch wrote in one folder, and by the name as a volume that folds
    // case sees it (of the first Indexed names).
    struct TWrittenNames
    {
        std::vector<QByteArray> Names;
        QMultiHash<QString, QByteArray> Folded;
        size_t Indexed = 0;
    };
    QHash<QByteArray, TWrittenNames> FWritten; // by folder
    ino_t FFolderInode = 0;
    std::function<void(const QString &)> FStepHook;
};
