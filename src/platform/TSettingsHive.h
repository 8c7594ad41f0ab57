#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;

// Kinds of stored values, numbered as the registry numbers its value types, so that a value
// keeps the same kind number whichever store it came from.
enum TRegKind : quint32 {
    rkNone = 0,
    rkSz = 1,       // UTF-16 LE text with its terminating NUL
    rkExpandSz = 2, // the same, marked as holding environment references (never expanded here)
    rkBinary = 3,   // raw bytes
    rkDword = 4,    // 4 bytes, little-endian
};

// The per-user hierarchical settings store: keys below keys, each with named values that keep
// their kind and their exact bytes. It lives in one SQLite file.
//
// Key paths are separated by "\"; empty components are ignored, so "\A\B", "A\B" and "A\\B\"
// name the same key, and "" names the top of the hive. Key and value names match without regard
// to ASCII case and keep the case they were first created in.
//
// Every operation is one transaction, so a second running copy of the program (or the
// settings tool) can use the same file at the same time: writers wait for each other through
// the busy timeout and no write is lost. A file that cannot be written (read-only, full disk)
// makes the writes fail and leaves the reads working as far as the file can be read. A file the
// user may not write is opened read-only, and nothing is made beside it; the first write after
// it became writable again opens it afresh and goes through. A damaged
// file (not a database, a database of another program, a truncated file) is never thrown away:
// it is moved aside beside itself with a dated suffix and the hive starts empty; the moved-to
// path is kept for TakeRecoveryNotice().
//
// One object is meant to be used from one thread at a time.
class TSettingsHive
{
public:
    enum TLookup { lkFound, lkMissing, lkFailed };

    struct TValue
    {
        quint32 Kind = rkNone;
        QByteArray Data;
    };

    // Opens (and creates, with its folder) the file at once, so that a damaged file is dealt
    // with before the first operation. A file that cannot be opened at all is tried again by
    // every later operation.
    explicit TSettingsHive(const QString &filePath);
    ~TSettingsHive();
    TSettingsHive(const TSettingsHive &) = delete;
    TSettingsHive &operator=(const TSettingsHive &) = delete;

    // $XDG_CONFIG_HOME/foldermate/settings.sqlite3
    static QString DefaultFilePath();

    QString FilePath() const { return FFilePath; }
    bool IsOpen() const { return FDb != nullptr; }
    // True when the file is open but refuses every write.
    bool IsReadOnly() const { return FDb != nullptr && FReadOnly; }

    // Why the last write (CreateKey, SetValue, AddValue) failed, as one line for the user:
    // a read-only file, a full disk...
    QString LastError() const { return FLastError; }

    // The path a damaged file was moved to, once; empty when nothing happened or it was taken.
    QString TakeRecoveryNotice();

    // Creates the key with every missing key above it.
    bool CreateKey(const QString &keyPath);
    // Opens without creating.
    bool KeyExists(const QString &keyPath);

    // Kind and bytes of one value; never creates anything.
    TLookup QueryValue(const QString &keyPath, const QString &valueName, TValue *value);
    // Creates the key when missing and stores the value, replacing one of the same name.
    bool SetValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data);
    // As SetValue, but leaves a value that is already there untouched (a concurrent writer's
    // value wins over a default). True when the value exists afterwards.
    bool AddValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data);
    // True when a value was there and is now gone.
    bool DeleteValue(const QString &keyPath, const QString &valueName);
    // Deletes the key with all its values and everything below it. True when the key was there
    // and is now gone. The top of the hive is never deleted.
    bool DeleteKeyTree(const QString &keyPath);

    // Names of the immediate subkeys (or of the values), ordered by name without regard to
    // ASCII case; nothing when the key is missing or cannot be read.
    std::optional<QStringList> SubkeyNames(const QString &keyPath);
    std::optional<QStringList> ValueNames(const QString &keyPath);

    // Orders two names as the store enumerates them.
    static bool NameLess(const QString &a, const QString &b);

private:
    bool WriteValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data,
                    bool replace);
    bool WriteValueNow(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data,
                       bool replace);
    // Every write starts here: a file opened read-only is opened again once it may be written.
    bool BeginWrite();
    bool EndWrite(bool ok);
    enum TOpenOutcome { ooOpen, ooUnavailable, ooDamaged };

    bool EnsureOpen();
    bool OpenOrRecover();
    TOpenOutcome TryOpen();
    TOpenOutcome OpenUnwritable();
    TOpenOutcome CheckSchema();
    bool CreateSchema();
    bool MoveDamagedFileAside();
    void Close();

    QString FFilePath;
    sqlite3 *FDb = nullptr;
    bool FReadOnly = false;
    QString FRecoveryNotice;
    QString FLastError;
};
