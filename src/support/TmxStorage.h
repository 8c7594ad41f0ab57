#pragma once

#include "support/TmxStoredItem.h"
#include "support/TmxStoredItems.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

// Carries whole files inside the program, each one a TmxStoredItem kept
// zlib-compressed in memory. The program's own store is packed at build time and
// read from its stored form when the window is created; see ProgramStore.h.
class TmxStorage : public QObject
{
    Q_OBJECT

public:
    using TmxExtractError = std::function<void(TmxStorage *Sender, const QString &Path, const QString &FileName)>;
    using TmxBeforeExtract =
        std::function<void(TmxStorage *Sender, QString &Path, QString &FileName, bool &CanExtract)>;
    using TmxAfterExtract = std::function<void(TmxStorage *Sender, const QString &Path, const QString &FileName)>;

    explicit TmxStorage(QObject *Owner = nullptr);
    ~TmxStorage() override;

    TmxStoredItems &StoredItems() { return *FStoredItems; }
    const TmxStoredItems &StoredItems() const { return *FStoredItems; }
    // The item at Index, or null outside the collection.
    TmxStoredItem *StoredItem(int Index) const { return ItemByIndex(Index); }
    TmxStoredItem *ItemByIndex(int Index) const;
    // The first item whose Name (or FileName) equals the text without regard to case; null when none does.
    TmxStoredItem *ItemByName(const QString &Name) const;
    TmxStoredItem *ItemByFileName(const QString &FileName) const;

    // Writes every item as <Path>/<FileName>. False when an item could not be written.
    bool ExtractTo(const QString &Path);

    qint64 Size() const;
    qint64 TotalSize() const { return Size(); }
    qint64 OriginalSize() const;
    QString Ratio() const;
    QString Version() const;

    // The stored form: the store and every item with its properties and stored
    // bytes, as the build packs it into the program. Reading replaces all items;
    // while it runs, FileName, FileSize and Compression only record their values
    // and the data is taken as it is. Damaged input raises EmxStorageError and
    // leaves the store empty.
    QByteArray WriteStoredForm() const;
    void ReadStoredForm(const QByteArray &Form);
    bool Loading() const { return FLoading; }

    // "46.56%": stored bytes against original bytes, in the user's number format;
    // "100%" when there is nothing original to compare with.
    static QString FormatRatio(qint64 Size, qint64 Original);

    TmxExtractError OnExtractError;
    TmxBeforeExtract OnBeforeExtract;
    TmxAfterExtract OnAfterExtract;

private:
    qint32 FVersion = 0x228;
    std::unique_ptr<TmxStoredItems> FStoredItems;
    bool FLoading = false;
};
