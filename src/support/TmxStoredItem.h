#pragma once

#include <QBuffer>
#include <QString>

#include <functional>

class QIODevice;
class TmxStoredItems;
class TmxStorage;

enum TCompressionLevel { clNone, clFastest, clDefault, clMax };

// One file carried by a TmxStorage. Its bytes stay compressed in memory until
// they are first read through AsStream, which inflates them once and keeps them.
// Items belong to their collection: create them with TmxStoredItems::Add and free
// them with TmxStoredItems::Delete.
class TmxStoredItem
{
public:
    using TmxNotifyEvent = std::function<void(TmxStoredItem *Sender)>;
    using TmxStreamEvent = std::function<void(TmxStoredItem *Sender, QIODevice *Stream)>;

    TmxStoredItem(const TmxStoredItem &) = delete;
    TmxStoredItem &operator=(const TmxStoredItem &) = delete;

    TmxStoredItems *Collection() const { return FCollection; }
    int Index() const;

    // Copies Tag and the stored bytes as they are; Name, FileName, FileSize and
    // Compression of this item stay.
    void Assign(const TmxStoredItem &Source);

    // Writes the original bytes to Stream (nothing when Stream is null).
    void SaveToStream(QIODevice *Stream);
    // Makes the whole of Stream, from its start, the item's new content.
    void LoadFromStream(QIODevice *Stream);
    void SaveToFile(const QString &FileName);
    // Loads the file and takes its name, without folder, as FileName.
    void LoadFromFile(const QString &FileName);
    // The item made uncompressed; the stream stays the item's, positioned at 0.
    QBuffer *AsStream();

    TCompressionLevel Compression() const { return FCompression; }
    void SetCompression(TCompressionLevel Value);
    qint32 Tag() const { return FTag; }
    void SetTag(qint32 Value) { FTag = Value; }
    QString Name() const { return FName; }
    // Raises EmxStorageError("Duplicated stored item name") when another item of
    // the collection already has the name.
    void SetName(const QString &Value);
    QString FileName() const { return FFileName; }
    // FileName and FileSize describe the stored data, so they only take a value
    // while the store is being read from its stored form.
    void SetFileName(const QString &Value);
    qint32 FileSize() const { return FFileSize; }
    void SetFileSize(qint32 Value);
    // Bytes held in memory: compressed or not, as Compression says.
    qint64 Size() const { return FData.size(); }
    QString Ratio() const;

    // The persisted "StoredItem" blob: a 32-bit little-endian length, then the
    // stored bytes as they are. Reading raises EmxStorageError on a blob that is
    // cut short; it never inflates.
    void WriteStoredItemBlob(QIODevice &Out) const;
    void ReadStoredItemBlob(QIODevice &In);
    bool HasData() const { return !FData.data().isEmpty(); }

    TmxNotifyEvent OnDestroy;
    TmxStreamEvent OnBeforeLoad;
    TmxStreamEvent OnBeforeSave;
    TmxNotifyEvent OnAfterLoad;
    TmxNotifyEvent OnAfterSave;

private:
    friend class TmxStoredItems;
    explicit TmxStoredItem(TmxStoredItems *Collection);
    ~TmxStoredItem();

    bool StoreLoading() const;
    void ReplaceData(QByteArray Bytes);

    qint32 FTag = 0;
    QString FName;
    QString FFileName;
    qint32 FFileSize = 0;
    QBuffer FData;
    TCompressionLevel FCompression = clDefault;
    TmxStoredItems *FCollection;
};
