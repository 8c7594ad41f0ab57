#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// The outcome of one file operation. Message carries the system's own text.
struct TFileOpResult
{
    enum TKind {
        orDone,
        orFailed,
        orCancelled,
        orTrashRefused, // the file's volume has no trash; the caller may ask to delete for good
                        // (or, for a file a copy replaces, to replace it without keeping it)
    };
    // What a done copy could not carry over to its target, which the target's file
    // system or the user's rights refused; the file itself arrived.
    enum TUnkept : unsigned {
        ukOwner = 1u << 0,
        ukPermissions = 1u << 1,
        ukTimes = 1u << 2,
        ukAcls = 1u << 3,
        ukAttributes = 1u << 4, // extended attributes
    };
    static constexpr int UnkeptKinds = 5;

    TKind Kind = orDone;
    QString Message;
    unsigned Unkept = 0; // TUnkept flags

    bool Ok() const { return Kind == orDone; }
    static TFileOpResult Done() { return {}; }
    static TFileOpResult Failed(const QString &message) { return {orFailed, message}; }
};

// What the copy, update and delete actions ask of the file system, one file at a time.
// The program's own implementation is TSystemFileOperations; tests put in one that
// fails on purpose or counts what it was asked.
class TFileOperations
{
public:
    using TProgress = std::function<void(qint64 bytesDone)>;
    // A staged copy that could not be put in place.
    struct TStagedFailure
    {
        QString Target;
        TFileOpResult Result;
    };

    virtual ~TFileOperations() = default;

    // Copies a regular file over target (created with its missing folders, or replaced
    // whole), keeping the source's times, permission bits, owner, ACLs and extended
    // attributes where the target allows them (Unkept names what it refused). On failure
    // or cancel the old target is left exactly as it was.
    virtual TFileOpResult CopyFile(const QString &source, const QString &target, const TProgress &progress,
                                   const std::atomic<bool> *cancel) = 0;

    // The same copy, held back so that a group of copies is made durable together:
    // Done means the new content is written but not yet visible under target. It appears
    // there at FinishCopies(), which also reports the staged copies that failed at the
    // end. A staged copy that is never finished leaves nothing behind. By default a copy
    // is made at once.
    virtual TFileOpResult StageCopy(const QString &source, const QString &target, const TProgress &progress,
                                    const std::atomic<bool> *cancel)
    {
        return CopyFile(source, target, progress, cancel);
    }
    virtual QList<TStagedFailure> FinishCopies() { return {}; }
    // True once the staged copies should be finished before more are staged.
    virtual bool StagingFull() const { return false; }

    // Whether a copy that replaces a file first gives the old file to the trash, with the
    // trash's restore information, so that it can be restored. Where the trash refuses,
    // the copy ends with orTrashRefused and both files are left as they were. Off: the
    // old file is simply replaced.
    void SetKeepReplaced(bool keep) { FKeepReplaced = keep; }
    bool KeepReplaced() const { return FKeepReplaced; }

    // A batch of copies begins: a copy refuses to replace a file that an earlier copy of
    // the same batch wrote under another name (on a volume that folds case, say).
    virtual void BeginBatch() {}
    // The batch is over: nothing learnt about folders is kept for the next one, which
    // finds them afresh where their paths say.
    virtual void EndBatch() {}

    // Moves a regular file to the trash of its volume.
    virtual TFileOpResult MoveToTrash(const QString &path) = 0;
    // Deletes a regular file for good; only after the user agreed to it.
    virtual TFileOpResult DeletePermanently(const QString &path) = 0;

private:
    bool FKeepReplaced = false;
};
