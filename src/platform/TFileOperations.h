#pragma once

#include "platform/TCopyOptions.h"

#include <QList>
#include <QString>

#include <atomic>
#include <cstring>
#include <functional>

// The outcome of one file operation. A failure names its reason as a code, with the
// path it concerns and the system's error number, so that the dialogs word it in the
// user's language; Message says the same in English (the system's text for the error
// number), for logs and for callers without language lines. A failure from a source
// without a code has Reason rsNone and only its Message.
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

    enum TReason {
        rsNone,
        rsSystem,              // the system refused: Error
        rsNotRegularFile,      // a folder, link target or special file where a file was meant
        rsNotFileName,         // the target path ends without a name
        rsFolderNotCreated,    // a folder on the target path could not be made: Error
        rsFolderInTheWay,      // a folder stands where the target file goes
        rsSameFile,            // source and target are one file
        rsNotWritten,          // the flush of the copies failed
        rsPathTooLongForTrash, // longer than the trash's restore information can hold
        rsTrashFailed,         // the trash itself could not take the file: Error
        rsNameNotHeld,         // the target volume cannot hold the file's name (FAT: "a:b")
        rsFolderNameNotHeld,   // the target volume cannot hold the name of a folder on the path
        rsCaseTwin,            // the volume takes the name for Other, which this batch wrote
        rsFolderMoved,         // the target folder was moved while the copy was written
        rsFolderReplaced,      // the target folder was replaced by one on another file system
        rsChangedWhileCopied,  // the source was written to while it was read
        rsTargetAppeared,      // a copy meant to make a new file found one under its name
        rsTargetChanged,       // the file to be replaced is no longer the one the user saw
    };
    TKind Kind = orDone;
    QString Message = QString();
    TReason Reason = rsNone;
    int Error = 0;             // errno, where the reason has one
    QString Path = QString();  // what the reason is about
    unsigned Unkept = 0;       // TUnkept flags
    QString Other = QString(); // rsCaseTwin: the name the volume takes for the same

    bool Ok() const { return Kind == orDone; }
    static TFileOpResult Done() { return {}; }
    static TFileOpResult Failed(const QString &message) { return {orFailed, message}; }
    static TFileOpResult Failed(TReason reason, const QString &path, int error = 0)
    {
        return {orFailed, EnglishText(reason, path, error), reason, error, path};
    }
    static TFileOpResult SystemError(const QString &path, int error) { return Failed(rsSystem, path, error); }
    // A refusal the user may answer by deleting for good, or by replacing without keeping.
    static TFileOpResult Refused(TReason reason, const QString &path, int error = 0)
    {
        TFileOpResult r = Failed(reason, path, error);
        r.Kind = orTrashRefused;
        return r;
    }

    // The reason in English, as Message holds it.
    static QString EnglishText(TReason reason, const QString &path, int error)
    {
        const QString system = error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
        switch (reason) {
        case rsNone:
            break;
        case rsSystem:
            return path + QStringLiteral(": ") + system;
        case rsNotRegularFile:
            return path + QStringLiteral(": not a regular file");
        case rsNotFileName:
            return path + QStringLiteral(": not a file name");
        case rsFolderNotCreated:
            return path + QStringLiteral(": the folder cannot be created: ") + system;
        case rsFolderInTheWay:
            return path + QStringLiteral(": a folder is in the way");
        case rsSameFile:
            return path + QStringLiteral(": source and target are the same file");
        case rsNotWritten:
            return path + QStringLiteral(": the file system could not write the copy");
        case rsPathTooLongForTrash:
            return path + QStringLiteral(": the path is too long for the trash");
        case rsTrashFailed:
            return path + QStringLiteral(": the trash: ") + system;
        case rsNameNotHeld:
            return path + QStringLiteral(": the volume cannot hold this name");
        case rsFolderNameNotHeld:
            return path + QStringLiteral(": the folder cannot be created: the volume cannot hold its name");
        case rsCaseTwin:
            return path
                   + QStringLiteral(": the volume does not tell this name from another that this copy has just "
                                    "written; that file was not replaced");
        case rsFolderMoved:
            return path + QStringLiteral(": the folder was moved while the copy was written");
        case rsFolderReplaced:
            return path + QStringLiteral(": the folder was replaced by one on another file system");
        case rsChangedWhileCopied:
            return path + QStringLiteral(": the file changed while it was copied; the copy was discarded");
        case rsTargetChanged:
            return path + QStringLiteral(": the file has changed since the comparison; it was left as it is");
        case rsTargetAppeared:
            return path
                   + QStringLiteral(": a file of this name has appeared since the comparison; it was left as it is");
        }
        return path;
    }
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
    virtual TFileOpResult CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                                   const TProgress &progress, const std::atomic<bool> *cancel) = 0;

    // The same copy, held back so that a group of copies is made durable together:
    // Done means the new content is written but not yet visible under target. It appears
    // there at FinishCopies(), which also reports the staged copies that failed at the
    // end. A staged copy that is never finished leaves nothing behind. By default a copy
    // is made at once.
    virtual TFileOpResult StageCopy(const QString &source, const QString &target, const TCopyOptions &options,
                                    const TProgress &progress, const std::atomic<bool> *cancel)
    {
        return CopyFile(source, target, options, progress, cancel);
    }
    virtual QList<TStagedFailure> FinishCopies() { return {}; }
    // True once the staged copies should be finished before more are staged.
    virtual bool StagingFull() const { return false; }

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
};
