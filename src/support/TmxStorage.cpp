#include "support/TmxStorage.h"

#include "support/EmxStorageError.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

// Layout of the stored form, all integers little-endian:
//   "FMXS", u32 layout revision (1), i32 version,
//   i64 original size, i64 size, text ratio, text version   (for display; reading ignores them)
//   u32 item count, then per item:
//     text Name, text FileName, i32 FileSize, i32 Tag, u8 flags,
//     [u8 Compression when flags & 1], [StoredItem blob when flags & 2]
//   text = u32 byte count + UTF-8 bytes
constexpr char kMagic[4] = {'F', 'M', 'X', 'S'};
constexpr quint32 kLayoutRevision = 1;
constexpr quint8 kHasCompression = 1;
constexpr quint8 kHasBlob = 2;

class TFormWriter
{
public:
    explicit TFormWriter(QBuffer &out)
        : FOut(out)
    {}
    void Bytes(const char *data, qint64 length) { FOut.write(data, length); }
    void U8(quint8 v) { FOut.putChar(static_cast<char>(v)); }
    void U32(quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<quint8>(v >> (8 * i)));
    }
    void I32(qint32 v) { U32(static_cast<quint32>(v)); }
    void I64(qint64 v)
    {
        for (int i = 0; i < 8; ++i)
            U8(static_cast<quint8>(static_cast<quint64>(v) >> (8 * i)));
    }
    void Text(const QString &s)
    {
        const QByteArray utf8 = s.toUtf8();
        U32(static_cast<quint32>(utf8.size()));
        Bytes(utf8.constData(), utf8.size());
    }

private:
    QBuffer &FOut;
};

class TFormReader
{
public:
    explicit TFormReader(QBuffer &in)
        : FIn(in)
    {}
    [[noreturn]] static void Damaged(const QString &what)
    {
        throw EmxStorageError(u"The stored form of the file store is damaged: %1."_s.arg(what));
    }
    QByteArray Bytes(qint64 length, const QString &what)
    {
        if (length < 0 || length > FIn.size() - FIn.pos())
            Damaged(what);
        return FIn.read(length);
    }
    quint8 U8(const QString &what)
    {
        char c;
        if (!FIn.getChar(&c))
            Damaged(what);
        return static_cast<quint8>(c);
    }
    quint32 U32(const QString &what)
    {
        const QByteArray b = Bytes(4, what);
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<quint8>(b[i]);
        return v;
    }
    qint32 I32(const QString &what) { return static_cast<qint32>(U32(what)); }
    qint64 I64(const QString &what)
    {
        const quint64 low = U32(what);
        const quint64 high = U32(what);
        return static_cast<qint64>(high << 32 | low);
    }
    QString Text(const QString &what) { return QString::fromUtf8(Bytes(U32(what), what)); }
    bool AtEnd() const { return FIn.atEnd(); }

private:
    QBuffer &FIn;
};

// Loading mode lasts exactly as long as the reading, whichever way it ends.
class TLoadingScope
{
public:
    explicit TLoadingScope(bool &flag)
        : FFlag(flag)
    {
        FFlag = true;
    }
    ~TLoadingScope() { FFlag = false; }
    TLoadingScope(const TLoadingScope &) = delete;
    TLoadingScope &operator=(const TLoadingScope &) = delete;

private:
    bool &FFlag;
};

} // namespace

TmxStorage::TmxStorage(QObject *Owner)
    : QObject(Owner)
    , FStoredItems(std::make_unique<TmxStoredItems>(this))
{}

TmxStorage::~TmxStorage() = default;

TmxStoredItem *TmxStorage::ItemByIndex(int Index) const
{
    return FStoredItems->Items(Index);
}

TmxStoredItem *TmxStorage::ItemByName(const QString &Name) const
{
    for (int i = 0; i < FStoredItems->Count(); ++i) {
        TmxStoredItem *item = FStoredItems->Items(i);
        if (QString::compare(item->Name(), Name, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

TmxStoredItem *TmxStorage::ItemByFileName(const QString &FileName) const
{
    for (int i = 0; i < FStoredItems->Count(); ++i) {
        TmxStoredItem *item = FStoredItems->Items(i);
        if (QString::compare(item->FileName(), FileName, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

bool TmxStorage::ExtractTo(const QString &Path)
{
    bool result = true;
    for (int i = 0; i < FStoredItems->Count(); ++i) {
        TmxStoredItem *item = FStoredItems->Items(i);
        QString dir = Path.endsWith(u'/') ? Path : Path + u'/';
        QString name = item->FileName();
        bool canExtract = true;
        if (OnBeforeExtract)
            OnBeforeExtract(this, dir, name, canExtract);
        if (!canExtract)
            continue;
        if (!QDir().mkpath(Path))
            continue;
        try {
            item->SaveToFile(dir + name);
        } catch (const std::exception &) {
            if (OnExtractError)
                OnExtractError(this, Path, item->FileName());
            result = false;
            continue;
        }
        if (OnAfterExtract)
            OnAfterExtract(this, dir, name);
    }
    return result;
}

qint64 TmxStorage::Size() const
{
    qint64 sum = 0;
    for (int i = 0; i < FStoredItems->Count(); ++i)
        sum += FStoredItems->Items(i)->Size();
    return sum;
}

qint64 TmxStorage::OriginalSize() const
{
    qint64 sum = 0;
    for (int i = 0; i < FStoredItems->Count(); ++i)
        sum += FStoredItems->Items(i)->FileSize();
    return sum;
}

QString TmxStorage::Ratio() const
{
    return FormatRatio(Size(), OriginalSize());
}

QString TmxStorage::Version() const
{
    return u"%1.%2"_s.arg((FVersion >> 8) & 0xff).arg(FVersion & 0xff);
}

QString TmxStorage::FormatRatio(qint64 Size, qint64 Original)
{
    if (Original == 0)
        return u"100%"_s;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<double>(Size) / static_cast<double>(Original) * 100.0, 'f', 2) + u'%';
}

QByteArray TmxStorage::WriteStoredForm() const
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TFormWriter w(out);
    w.Bytes(kMagic, 4);
    w.U32(kLayoutRevision);
    w.I32(FVersion);
    w.I64(OriginalSize());
    w.I64(Size());
    w.Text(Ratio());
    w.Text(Version());
    w.U32(static_cast<quint32>(FStoredItems->Count()));
    for (int i = 0; i < FStoredItems->Count(); ++i) {
        const TmxStoredItem *item = FStoredItems->Items(i);
        w.Text(item->Name());
        w.Text(item->FileName());
        w.I32(item->FileSize());
        w.I32(item->Tag());
        const quint8 flags =
            (item->Compression() != clDefault ? kHasCompression : 0) | (item->HasData() ? kHasBlob : 0);
        w.U8(flags);
        if (flags & kHasCompression)
            w.U8(static_cast<quint8>(item->Compression()));
        if (flags & kHasBlob)
            item->WriteStoredItemBlob(out);
    }
    out.close();
    return out.data();
}

void TmxStorage::ReadStoredForm(const QByteArray &Form)
{
    FStoredItems->Clear();
    QBuffer in;
    in.setData(Form);
    in.open(QIODevice::ReadOnly);
    TFormReader r(in);
    try {
        const TLoadingScope loading(FLoading);
        if (r.Bytes(4, u"no header"_s) != QByteArray(kMagic, 4))
            TFormReader::Damaged(u"it does not start with its mark"_s);
        const quint32 revision = r.U32(u"no layout revision"_s);
        if (revision != kLayoutRevision)
            TFormReader::Damaged(u"unknown layout revision %1"_s.arg(revision));
        r.I32(u"no version"_s); // the version is the reader's own, not the writer's
        r.I64(u"no original size"_s);
        r.I64(u"no size"_s);
        r.Text(u"no ratio"_s);
        r.Text(u"no version text"_s);
        const quint32 count = r.U32(u"no item count"_s);
        for (quint32 i = 0; i < count; ++i) {
            const QString at = u"item %1 is cut short"_s.arg(i);
            TmxStoredItem *item = FStoredItems->Add();
            item->SetName(r.Text(at));
            item->SetFileName(r.Text(at));
            item->SetFileSize(r.I32(at));
            item->SetTag(r.I32(at));
            const quint8 flags = r.U8(at);
            if (flags & ~(kHasCompression | kHasBlob))
                TFormReader::Damaged(u"item %1 has unknown flags"_s.arg(i));
            if (flags & kHasCompression) {
                const quint8 level = r.U8(at);
                if (level > clMax)
                    TFormReader::Damaged(u"item %1 has an unknown compression level"_s.arg(i));
                item->SetCompression(static_cast<TCompressionLevel>(level));
            }
            if (flags & kHasBlob)
                item->ReadStoredItemBlob(in);
        }
        if (!r.AtEnd())
            TFormReader::Damaged(u"there are bytes after its last item"_s);
    } catch (...) {
        FStoredItems->Clear();
        throw;
    }
}
