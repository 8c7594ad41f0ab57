#include "platform/TSettingsHive.h"

#include "platform/TAsciiCase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// "FMSH" in the database header: tells our hive apart from any other SQLite file.
constexpr int kApplicationId = 0x464D5348;
constexpr int kSchemaVersion = 1;
constexpr qint64 kTopKeyId = 1;
// Long enough for another copy of the program to finish any single operation.
constexpr int kBusyTimeoutMs = 10000;

const char kSchemaSql[] = "CREATE TABLE IF NOT EXISTS hive_keys("
                          " id INTEGER PRIMARY KEY,"
                          " parent INTEGER,"
                          " name TEXT NOT NULL COLLATE NOCASE,"
                          " UNIQUE(parent, name));"
                          "CREATE TABLE IF NOT EXISTS hive_values("
                          " key INTEGER NOT NULL,"
                          " name TEXT NOT NULL COLLATE NOCASE,"
                          " kind INTEGER NOT NULL,"
                          " data BLOB NOT NULL,"
                          " PRIMARY KEY(key, name)) WITHOUT ROWID;"
                          "INSERT OR IGNORE INTO hive_keys(id, parent, name) VALUES(1, NULL, '');";

bool IsDamage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// A file that exists but cannot be opened for writing, or whose shared-memory index cannot be
// made beside it.
bool IsAccessProblem(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM;
}

// Whether this user may write the file; errno tells why not. The file-system user id
// decides, as it does for the open itself.
bool MayWrite(const QByteArray &native)
{
    return ::faccessat(AT_FDCWD, native.constData(), R_OK | W_OK, AT_EACCESS) == 0;
}

// Index and journal files that an earlier read-only spell left with the database's read-only
// mode refuse every write even after the database is writable again: they get the mode of the
// database back. Only their owner can do that; for anyone else they stay as they are.
void RepairSideFiles(const QByteArray &native)
{
    struct stat db;
    if (::stat(native.constData(), &db) != 0)
        return;
    for (const char *suffix : {"-shm", "-wal"}) {
        const QByteArray side = native + suffix;
        struct stat st;
        if (::stat(side.constData(), &st) == 0 && S_ISREG(st.st_mode) && !MayWrite(side) && errno == EACCES)
            ::chmod(side.constData(), (st.st_mode | (db.st_mode & 0666)) & 07777);
    }
}

class TStatement
{
public:
    TStatement(sqlite3 *db, const char *sql) { FRc = sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr); }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    bool Prepared() const { return FStmt != nullptr; }
    int PrepareResult() const { return FRc; }

    void Bind(int index, qint64 value) { sqlite3_bind_int64(FStmt, index, value); }
    void Bind(int index, const QString &text)
    {
        sqlite3_bind_text16(FStmt, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
    }
    void BindBlob(int index, const QByteArray &data)
    {
        // An empty blob must stay a blob, not become NULL.
        if (data.isEmpty())
            sqlite3_bind_zeroblob(FStmt, index, 0);
        else
            sqlite3_bind_blob(FStmt, index, data.constData(), int(data.size()), SQLITE_TRANSIENT);
    }

    int Step() { return FStmt ? sqlite3_step(FStmt) : FRc; }
    void Reset()
    {
        sqlite3_reset(FStmt);
        sqlite3_clear_bindings(FStmt);
    }

    qint64 Int64(int column) const { return sqlite3_column_int64(FStmt, column); }
    QString Text(int column) const
    {
        const void *p = sqlite3_column_text16(FStmt, column);
        const int bytes = sqlite3_column_bytes16(FStmt, column);
        return p ? QString(static_cast<const QChar *>(p), bytes / 2) : QString();
    }
    QByteArray Blob(int column) const
    {
        const void *p = sqlite3_column_blob(FStmt, column);
        const int bytes = sqlite3_column_bytes(FStmt, column);
        return p ? QByteArray(static_cast<const char *>(p), bytes) : QByteArray();
    }

private:
    sqlite3_stmt *FStmt = nullptr;
    int FRc = SQLITE_OK;
};

// One operation = one transaction. A write transaction takes the write lock at its start, so
// that two writers queue up on the busy timeout instead of failing half-way.
class TTransaction
{
public:
    TTransaction(sqlite3 *db, bool write)
        : FDb(db)
    {
        FActive = sqlite3_exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~TTransaction()
    {
        if (FActive)
            sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    TTransaction(const TTransaction &) = delete;
    TTransaction &operator=(const TTransaction &) = delete;

    bool Active() const { return FActive; }
    bool Commit()
    {
        if (!FActive)
            return false;
        if (sqlite3_exec(FDb, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            return false; // the destructor rolls back
        FActive = false;
        return true;
    }

private:
    sqlite3 *FDb;
    bool FActive = false;
};

QStringList SplitKeyPath(const QString &keyPath)
{
    return keyPath.split(u'\\', Qt::SkipEmptyParts);
}

// Id of the key, 0 when it is missing (and not to be created), -1 on a failure.
qint64 FindKey(sqlite3 *db, const QString &keyPath, bool create)
{
    TStatement find(db, "SELECT id FROM hive_keys WHERE parent = ?1 AND name = ?2");
    if (!find.Prepared())
        return -1;
    std::optional<TStatement> insert;
    qint64 id = kTopKeyId;
    for (const QString &name : SplitKeyPath(keyPath)) {
        find.Reset();
        find.Bind(1, id);
        find.Bind(2, name);
        const int rc = find.Step();
        if (rc == SQLITE_ROW) {
            id = find.Int64(0);
            continue;
        }
        if (rc != SQLITE_DONE)
            return -1;
        if (!create)
            return 0;
        if (!insert) {
            insert.emplace(db, "INSERT INTO hive_keys(parent, name) VALUES(?1, ?2)");
            if (!insert->Prepared())
                return -1;
        }
        insert->Reset();
        insert->Bind(1, id);
        insert->Bind(2, name);
        if (insert->Step() != SQLITE_DONE)
            return -1;
        id = sqlite3_last_insert_rowid(db);
    }
    return id;
}

std::optional<QStringList> NamesBelow(sqlite3 *db, const QString &keyPath, const char *sql)
{
    TTransaction txn(db, false);
    if (!txn.Active())
        return std::nullopt;
    const qint64 key = FindKey(db, keyPath, false);
    if (key <= 0)
        return std::nullopt;
    TStatement list(db, sql);
    list.Bind(1, key);
    QStringList names;
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW)
        names.append(list.Text(0));
    if (rc != SQLITE_DONE)
        return std::nullopt;
    std::sort(names.begin(), names.end(), TSettingsHive::NameLess);
    return names;
}

} // namespace

TSettingsHive::TSettingsHive(const QString &filePath)
    : FFilePath(filePath)
{
    EnsureOpen();
}

TSettingsHive::~TSettingsHive()
{
    Close();
}

QString TSettingsHive::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/foldermate/settings.sqlite3"_s;
}

QString TSettingsHive::TakeRecoveryNotice()
{
    return std::exchange(FRecoveryNotice, QString());
}

bool TSettingsHive::NameLess(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = TAsciiCase::Fold(a.at(i).unicode());
        const char16_t cb = TAsciiCase::Fold(b.at(i).unicode());
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

void TSettingsHive::Close()
{
    if (FDb)
        sqlite3_close_v2(FDb);
    FDb = nullptr;
    FReadOnly = false;
}

bool TSettingsHive::EnsureOpen()
{
    return FDb || OpenOrRecover();
}

bool TSettingsHive::OpenOrRecover()
{
    TOpenOutcome outcome = TryOpen();
    if (outcome != ooDamaged)
        return outcome == ooOpen;

    // Another running copy may be looking at the same damaged file: only one of them moves it,
    // and the others find the fresh file when they look again under the lock.
    QLockFile lock(FFilePath + u".lock"_s);
    lock.setStaleLockTime(30000);
    const bool locked = lock.tryLock(kBusyTimeoutMs);
    outcome = TryOpen();
    if (outcome == ooDamaged && locked && MoveDamagedFileAside())
        outcome = TryOpen();
    if (outcome != ooOpen)
        Close();
    return outcome == ooOpen;
}

TSettingsHive::TOpenOutcome TSettingsHive::TryOpen()
{
    Close();
    QDir().mkpath(QFileInfo(FFilePath).absolutePath());
    const QByteArray native = QFile::encodeName(FFilePath);
    if (!MayWrite(native) && errno != ENOENT)
        return OpenUnwritable();
    RepairSideFiles(native);
    int rc = sqlite3_open_v2(native.constData(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    int failure = rc;
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
        sqlite3_extended_result_codes(FDb, 1);
        FReadOnly = sqlite3_db_readonly(FDb, "main") == 1;
        const TOpenOutcome outcome = CheckSchema();
        if (outcome != ooUnavailable)
            return outcome;
        failure = sqlite3_extended_errcode(FDb);
    }
    Close();
    if (!IsAccessProblem(failure) || !QFileInfo::exists(FFilePath))
        return ooUnavailable;

    // A file we may read but not write, in a folder where the index files of a shared database
    // cannot be made: read it as it lies. Nobody can change it while its folder refuses writes,
    // and what this connection sees is never taken as damage, so nothing is moved on its word.
    const QByteArray uri = QUrl::fromLocalFile(FFilePath).toEncoded() + "?immutable=1";
    rc = sqlite3_open_v2(uri.constData(), &FDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        Close();
        return ooUnavailable;
    }
    FReadOnly = true;
    if (CheckSchema() != ooOpen) {
        Close();
        return ooUnavailable;
    }
    return ooOpen;
}

TSettingsHive::TOpenOutcome TSettingsHive::OpenUnwritable()
{
    // A read-write connection to a file the user may not write would leave the index and
    // journal files of a shared database beside it with the file's own read-only mode, and
    // those would go on refusing every write after the user makes the file writable again.
    // So the file is read without making anything beside it: through the index and journal
    // when a writer left them (they may hold its latest changes), else as it lies, since
    // nobody who could change it is at work.
    const QByteArray native = QFile::encodeName(FFilePath);
    const bool sideFiles = ::access(QByteArray(native + "-wal").constData(), F_OK) == 0
                           && ::access(QByteArray(native + "-shm").constData(), F_OK) == 0;
    const QByteArray uri = QUrl::fromLocalFile(FFilePath).toEncoded() + (sideFiles ? "?mode=ro" : "?immutable=1");
    if (sqlite3_open_v2(uri.constData(), &FDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        Close();
        return ooUnavailable;
    }
    sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
    sqlite3_extended_result_codes(FDb, 1);
    FReadOnly = true;
    const TOpenOutcome outcome = CheckSchema();
    if (outcome == ooUnavailable)
        Close();
    return outcome;
}

TSettingsHive::TOpenOutcome TSettingsHive::CheckSchema()
{
    auto failed = [this](int rc) {
        return IsDamage(rc) || IsDamage(sqlite3_extended_errcode(FDb)) ? ooDamaged : ooUnavailable;
    };

    qint64 applicationId = 0;
    {
        TStatement stmt(FDb, "PRAGMA application_id");
        const int rc = stmt.Step();
        if (rc != SQLITE_ROW)
            return failed(rc);
        applicationId = stmt.Int64(0);
    }
    int objects = 0;
    bool haveKeys = false;
    bool haveValues = false;
    {
        TStatement stmt(FDb, "SELECT type, name FROM sqlite_master");
        int rc;
        while ((rc = stmt.Step()) == SQLITE_ROW) {
            ++objects;
            if (stmt.Text(0) == u"table"_s) {
                const QString name = stmt.Text(1);
                haveKeys = haveKeys || name == u"hive_keys"_s;
                haveValues = haveValues || name == u"hive_values"_s;
            }
        }
        if (rc != SQLITE_DONE)
            return failed(rc);
    }

    if (applicationId == 0 && objects == 0) {
        // A new, empty file. A read-only one simply holds nothing.
        if (FReadOnly)
            return ooOpen;
        sqlite3_exec(FDb, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(FDb, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        return CreateSchema() ? ooOpen : ooUnavailable;
    }
    if (applicationId != kApplicationId || !haveKeys || !haveValues)
        return ooDamaged;

    {
        TStatement stmt(FDb, "PRAGMA quick_check");
        const int rc = stmt.Step();
        if (rc != SQLITE_ROW)
            return failed(rc);
        if (stmt.Text(0) != u"ok"_s)
            return ooDamaged;
    }
    if (!FReadOnly) {
        sqlite3_exec(FDb, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(FDb, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    }
    return ooOpen;
}

bool TSettingsHive::CreateSchema()
{
    TTransaction txn(FDb, true);
    if (!txn.Active())
        return false;
    const QByteArray stamp = "PRAGMA application_id = " + QByteArray::number(kApplicationId)
                             + "; PRAGMA user_version = " + QByteArray::number(kSchemaVersion) + ";";
    if (sqlite3_exec(FDb, kSchemaSql, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(FDb, stamp.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    return txn.Commit();
}

bool TSettingsHive::MoveDamagedFileAside()
{
    Close();
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    const QString base = FFilePath + u".damaged-"_s + stamp;
    QString target = base;
    for (int n = 2;; ++n) {
        // Never replaces a file that is already there, not even one appearing meanwhile.
        if (renameat2(AT_FDCWD, QFile::encodeName(FFilePath).constData(), AT_FDCWD,
                      QFile::encodeName(target).constData(), RENAME_NOREPLACE)
            == 0)
            break;
        if (errno != EEXIST || n > 100)
            return false;
        target = base + u'-' + QString::number(n);
    }
    // A journal left beside the damaged file belongs to it: applied to the fresh file it would
    // bring the damage back.
    for (const QString &suffix : {u"-wal"_s, u"-journal"_s}) {
        if (QFileInfo::exists(FFilePath + suffix) && !QFile::rename(FFilePath + suffix, target + suffix))
            QFile::remove(FFilePath + suffix);
    }
    QFile::remove(FFilePath + u"-shm"_s);
    FRecoveryNotice = target;
    return true;
}

bool TSettingsHive::BeginWrite()
{
    FLastError.clear();
    const QByteArray native = QFile::encodeName(FFilePath);
    // Opened read-only while the user could not write the file: now that the user can, the
    // file is opened afresh for writing.
    if (FDb && FReadOnly && MayWrite(native))
        Close();
    if (!EnsureOpen()) {
        FLastError = u"the settings file '%1' cannot be opened"_s.arg(FFilePath);
        return false;
    }
    if (FReadOnly) {
        const bool fileRefuses = !MayWrite(native);
        const QString why =
            fileRefuses ? QString::fromLocal8Bit(std::strerror(errno)) : u"its folder cannot be written"_s;
        FLastError = u"the settings file '%1' is read-only (%2)"_s.arg(FFilePath, why);
        return false;
    }
    return true;
}

bool TSettingsHive::EndWrite(bool ok)
{
    if (!ok && FLastError.isEmpty())
        FLastError = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : u"the settings file is not open"_s;
    return ok;
}

bool TSettingsHive::CreateKey(const QString &keyPath)
{
    if (!BeginWrite())
        return false;
    TTransaction txn(FDb, true);
    return EndWrite(txn.Active() && FindKey(FDb, keyPath, true) > 0 && txn.Commit());
}

bool TSettingsHive::KeyExists(const QString &keyPath)
{
    if (!EnsureOpen())
        return false;
    TTransaction txn(FDb, false);
    return txn.Active() && FindKey(FDb, keyPath, false) > 0;
}

TSettingsHive::TLookup TSettingsHive::QueryValue(const QString &keyPath, const QString &valueName, TValue *value)
{
    if (!EnsureOpen())
        return lkFailed;
    TTransaction txn(FDb, false);
    if (!txn.Active())
        return lkFailed;
    const qint64 key = FindKey(FDb, keyPath, false);
    if (key < 0)
        return lkFailed;
    if (key == 0)
        return lkMissing;
    TStatement stmt(FDb, "SELECT kind, data FROM hive_values WHERE key = ?1 AND name = ?2");
    stmt.Bind(1, key);
    stmt.Bind(2, valueName);
    const int rc = stmt.Step();
    if (rc == SQLITE_DONE)
        return lkMissing;
    if (rc != SQLITE_ROW)
        return lkFailed;
    if (value) {
        value->Kind = quint32(stmt.Int64(0));
        value->Data = stmt.Blob(1);
    }
    return lkFound;
}

bool TSettingsHive::SetValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data)
{
    return WriteValue(keyPath, valueName, kind, data, true);
}

bool TSettingsHive::AddValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data)
{
    return WriteValue(keyPath, valueName, kind, data, false);
}

bool TSettingsHive::WriteValue(const QString &keyPath, const QString &valueName, quint32 kind, const QByteArray &data,
                               bool replace)
{
    if (!BeginWrite())
        return false;
    const bool ok = WriteValueNow(keyPath, valueName, kind, data, replace);
    return EndWrite(ok);
}

bool TSettingsHive::WriteValueNow(const QString &keyPath, const QString &valueName, quint32 kind,
                                  const QByteArray &data, bool replace)
{
    TTransaction txn(FDb, true);
    if (!txn.Active())
        return false;
    const qint64 key = FindKey(FDb, keyPath, true);
    if (key <= 0)
        return false;
    const auto step = [&](const char *sql) {
        TStatement statement(FDb, sql);
        statement.Bind(1, key);
        statement.Bind(2, valueName);
        statement.Bind(3, qint64(kind));
        statement.BindBlob(4, data);
        return statement.Step() == SQLITE_DONE;
    };
    if (!replace)
        return step("INSERT OR IGNORE INTO hive_values(key, name, kind, data) VALUES(?1, ?2, ?3, ?4)") && txn.Commit();
    // An existing value keeps the letter case of its name.
    if (!step("UPDATE hive_values SET kind = ?3, data = ?4 WHERE key = ?1 AND name = ?2"))
        return false;
    if (sqlite3_changes(FDb) == 0 && !step("INSERT INTO hive_values(key, name, kind, data) VALUES(?1, ?2, ?3, ?4)"))
        return false;
    return txn.Commit();
}

bool TSettingsHive::DeleteValue(const QString &keyPath, const QString &valueName)
{
    if (!BeginWrite())
        return false;
    TTransaction txn(FDb, true);
    if (!txn.Active())
        return false;
    const qint64 key = FindKey(FDb, keyPath, false);
    if (key <= 0)
        return false;
    TStatement del(FDb, "DELETE FROM hive_values WHERE key = ?1 AND name = ?2");
    del.Bind(1, key);
    del.Bind(2, valueName);
    if (del.Step() != SQLITE_DONE)
        return false;
    const bool deleted = sqlite3_changes(FDb) > 0;
    return txn.Commit() && deleted;
}

bool TSettingsHive::DeleteKeyTree(const QString &keyPath)
{
    if (!BeginWrite())
        return false;
    TTransaction txn(FDb, true);
    if (!txn.Active())
        return false;
    const qint64 key = FindKey(FDb, keyPath, false);
    if (key <= 0 || key == kTopKeyId)
        return false;
    // The values first, then the keys, of the key and of every key below it.
    const QByteArray tree = "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                            " SELECT k.id FROM hive_keys k JOIN tree t ON k.parent = t.id) ";
    for (const char *deletion : {"DELETE FROM hive_values WHERE key IN (SELECT id FROM tree)",
                                 "DELETE FROM hive_keys WHERE id IN (SELECT id FROM tree)"}) {
        const QByteArray sql = tree + deletion;
        TStatement statement(FDb, sql.constData());
        statement.Bind(1, key);
        if (statement.Step() != SQLITE_DONE)
            return false;
    }
    return txn.Commit();
}

std::optional<QStringList> TSettingsHive::SubkeyNames(const QString &keyPath)
{
    if (!EnsureOpen())
        return std::nullopt;
    return NamesBelow(FDb, keyPath, "SELECT name FROM hive_keys WHERE parent = ?1");
}

std::optional<QStringList> TSettingsHive::ValueNames(const QString &keyPath)
{
    if (!EnsureOpen())
        return std::nullopt;
    return NamesBelow(FDb, keyPath, "SELECT name FROM hive_values WHERE key = ?1");
}
