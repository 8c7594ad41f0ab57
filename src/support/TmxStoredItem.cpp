#include "support/TmxStoredItem.h"

#include "support/EmxStorageError.h"
#include "support/TmxStorage.h"
#include "support/TmxStoredItems.h"
#include "support/TmxZlibCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

int ZlibLevel(TCompressionLevel level)
{
    switch (level) {
    case clFastest:
        return 1;
    case clMax:
        return 9;
    case clNone:
    case clDefault:
        break;
    }
    return -1;
}

void WriteAll(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) != bytes.size())
        throw EmxStorageError(u"Cannot write a stored item: %1"_s.arg(out.errorString()));
}

} // namespace

TmxStoredItem::TmxStoredItem(TmxStoredItems *Collection)
    : FCollection(Collection)
{
    FData.open(QIODevice::ReadWrite);
}

TmxStoredItem::~TmxStoredItem()
{
    FData.close();
    FData.setData(QByteArray());
    if (OnDestroy) {
        // A destructor cannot pass an exception on; a failing handler must not
        // take the whole program down with it.
        try {
            OnDestroy(this);
        } catch (...) {}
    }
}

int TmxStoredItem::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

bool TmxStoredItem::StoreLoading() const
{
    return FCollection && FCollection->Storage() && FCollection->Storage()->Loading();
}

void TmxStoredItem::ReplaceData(QByteArray Bytes)
{
    FData.close();
    FData.setData(Bytes); // shares the bytes: QByteArray is implicitly shared
    FData.open(QIODevice::ReadWrite);
}

void TmxStoredItem::Assign(const TmxStoredItem &Source)
{
    if (&Source == this)
        return;
    FTag = Source.FTag;
    ReplaceData(Source.FData.data());
}

void TmxStoredItem::SaveToStream(QIODevice *Stream)
{
    if (!Stream)
        return;
    FData.seek(0);
    if (OnBeforeSave)
        OnBeforeSave(this, Stream);
    const QByteArray &stored = FData.data();
    if (FCompression != clNone && !stored.isEmpty())
        WriteAll(*Stream, TmxZlibCodec::Inflate(stored));
    else
        WriteAll(*Stream, stored);
    if (OnAfterSave)
        OnAfterSave(this);
}

void TmxStoredItem::LoadFromStream(QIODevice *Stream)
{
    if (!Stream) {
        ReplaceData({});
        return;
    }
    // A pipe or socket has no size and cannot seek: take what it delivers.
    QBuffer whole;
    QIODevice *source = Stream;
    if (Stream->isSequential()) {
        whole.setData(Stream->readAll());
        whole.open(QIODevice::ReadOnly);
        source = &whole;
    }
    const qint64 size = source->size();
    // The original size travels as a 32-bit signed field, so a larger source
    // could not be given back; refuse it before the item loses its content.
    if (size > INT_MAX)
        throw EmxStorageError(u"The file is too large to be stored: %1 bytes; a stored item can hold at most "
                              "2,147,483,647 bytes."_s.arg(size));
    ReplaceData({});
    if (size <= 0)
        return;
    if (!source->seek(0))
        throw EmxStorageError(u"Cannot read a stored item's source from its start: %1"_s.arg(source->errorString()));
    if (OnBeforeLoad)
        OnBeforeLoad(this, Stream);
    if (FCompression != clNone) {
        ReplaceData(TmxZlibCodec::Deflate(*source, static_cast<qint32>(size), ZlibLevel(FCompression)));
        FFileSize = static_cast<qint32>(size);
    } else {
        QByteArray raw = source->read(size);
        if (raw.size() != size)
            throw EmxStorageError(
                u"The source of a stored item ended after %1 of its %2 bytes."_s.arg(raw.size()).arg(size));
        ReplaceData(std::move(raw));
    }
    if (OnAfterLoad)
        OnAfterLoad(this);
}

void TmxStoredItem::SaveToFile(const QString &FileName)
{
    // Written beside the target and renamed over it, so that a failure half way
    // leaves the old file as it was.
    QSaveFile file(FileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw EmxStorageError(u"Cannot create file \"%1\". %2"_s.arg(FileName, file.errorString()));
    SaveToStream(&file);
    if (!file.commit())
        throw EmxStorageError(u"Cannot write file \"%1\". %2"_s.arg(FileName, file.errorString()));
}

void TmxStoredItem::LoadFromFile(const QString &FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EmxStorageError(u"Cannot open file \"%1\". %2"_s.arg(FileName, file.errorString()));
    LoadFromStream(&file);
    FFileName = QFileInfo(FileName).fileName();
}

QBuffer *TmxStoredItem::AsStream()
{
    SetCompression(clNone);
    FData.seek(0);
    return &FData;
}

void TmxStoredItem::SetCompression(TCompressionLevel Value)
{
    // The data that follows in a stored form is already in the recorded encoding.
    if (StoreLoading()) {
        FCompression = Value;
        return;
    }
    if (Value == FCompression)
        return;
    QBuffer original;
    original.open(QIODevice::ReadWrite);
    SaveToStream(&original);
    FCompression = Value;
    LoadFromStream(&original);
}

void TmxStoredItem::SetName(const QString &Value)
{
    if (QString::compare(Value, FName, Qt::CaseInsensitive) == 0)
        return;
    if (FCollection) {
        for (int i = 0; i < FCollection->Count(); ++i) {
            const TmxStoredItem *other = FCollection->Items(i);
            if (other != this && QString::compare(other->FName, Value, Qt::CaseInsensitive) == 0)
                throw EmxStorageError(u"Duplicated stored item name"_s);
        }
    }
    FName = Value;
}

void TmxStoredItem::SetFileName(const QString &Value)
{
    if (!StoreLoading())
        return;
    // The name is written out below a folder chosen by the caller of ExtractTo; a
    // folder part here could send it elsewhere.
    FFileName = Value.mid(Value.lastIndexOf(u'/') + 1);
}

void TmxStoredItem::SetFileSize(qint32 Value)
{
    if (StoreLoading())
        FFileSize = Value;
}

QString TmxStoredItem::Ratio() const
{
    return TmxStorage::FormatRatio(Size(), FFileSize);
}

void TmxStoredItem::WriteStoredItemBlob(QIODevice &Out) const
{
    const QByteArray &stored = FData.data();
    if (static_cast<quint64>(stored.size()) > UINT_MAX)
        throw EmxStorageError(u"A stored item is too large to be saved."_s);
    const quint32 n = static_cast<quint32>(stored.size());
    const char field[4] = {static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff),
                           static_cast<char>((n >> 16) & 0xff), static_cast<char>((n >> 24) & 0xff)};
    if (Out.write(field, 4) != 4)
        throw EmxStorageError(u"Cannot write a stored item: %1"_s.arg(Out.errorString()));
    WriteAll(Out, stored);
}

void TmxStoredItem::ReadStoredItemBlob(QIODevice &In)
{
    ReplaceData({});
    unsigned char field[4];
    if (In.read(reinterpret_cast<char *>(field), 4) != 4)
        throw EmxStorageError(u"A stored item is cut short: its length field is missing."_s);
    const quint32 n = field[0] | field[1] << 8 | field[2] << 16 | static_cast<quint32>(field[3]) << 24;
    // Read in pieces, so that a damaged length field costs no more memory than the
    // data that is really there.
    QByteArray bytes;
    std::array<char, 64 * 1024> chunk;
    quint64 remaining = n;
    while (remaining > 0) {
        const qint64 got = In.read(chunk.data(), static_cast<qint64>(std::min<quint64>(remaining, chunk.size())));
        if (got <= 0)
            throw EmxStorageError(
                u"A stored item is cut short: %1 of its %2 bytes are there."_s.arg(static_cast<quint64>(n) - remaining)
                    .arg(n));
        bytes.append(chunk.data(), got);
        remaining -= static_cast<quint64>(got);
    }
    ReplaceData(std::move(bytes));
}
