#include "support/EmxStorageError.h"
#include "support/ProgramStore.h"
#include "support/TmxStorage.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace Qt::StringLiterals;

namespace {

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray DataFile(const QString &relative)
{
    return FileBytes(QStringLiteral(FM_DATA_DIR) + u'/' + relative);
}

QByteArray Original(TmxStoredItem &item)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    item.SaveToStream(&out);
    return out.data();
}

void Load(TmxStoredItem &item, const QByteArray &bytes)
{
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    item.LoadFromStream(&in);
}

QByteArray Blob(const TmxStoredItem &item)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    item.WriteStoredItemBlob(out);
    return out.data();
}

QByteArray RandomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(rng.bounded(256));
    return bytes;
}

// Claims a size beyond what the format can record, without holding the bytes.
class THugeDevice : public QIODevice
{
public:
    qint64 size() const override { return qint64(INT_MAX) + 1; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        memset(data, 'x', maxSize);
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
};

} // namespace

class TestMxStorage : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void programStoreGivesTheDataFilesBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("source");
        QTest::newRow("licence") << u"mx1"_s << u"EULA.txt"_s << u"EULA.txt"_s;
        QTest::newRow("product texts") << u"mx2"_s << u"mx.txt"_s << u"mx.txt"_s;
        QTest::newRow("English") << u"EN"_s << u"English.txt"_s << u"Lang/English.txt"_s;
    }
    void programStoreGivesTheDataFilesBack()
    {
        QFETCH(QString, name);
        QFETCH(QString, fileName);
        QFETCH(QString, source);
        TmxStorage mx;
        LoadProgramStore(mx);
        QCOMPARE(mx.StoredItems().Count(), 3);
        TmxStoredItem *item = mx.ItemByName(name);
        QVERIFY(item);
        QCOMPARE(item->FileName(), fileName);
        QCOMPARE(item->Tag(), 0);
        QCOMPARE(item->Compression(), clDefault);
        const QByteArray expected = DataFile(source);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(item->FileSize(), expected.size());
        // Kept compressed until first read: a zlib stream at the default level.
        QVERIFY(item->Size() < expected.size());
        QVERIFY(Blob(*item).mid(4).startsWith("\x78\x9C"));
        QCOMPARE(item->AsStream()->readAll(), expected);
    }

    void builtInEnglishItem()
    {
        TmxStorage mx;
        LoadProgramStore(mx);
        TmxStoredItem *en = mx.ItemByName(u"en"_s);
        QVERIFY(en);
        QCOMPARE(en->Name(), u"EN"_s);
        const QByteArray blob = Blob(*en);
        const quint32 n =
            quint8(blob[0]) | quint8(blob[1]) << 8 | quint8(blob[2]) << 16 | quint32(quint8(blob[3])) << 24;
        QCOMPARE(qint64(n), en->Size());
        QCOMPARE(blob.size(), qsizetype(n) + 4);
        const QByteArray english = en->AsStream()->readAll();
        // The English language file as shipped, byte for byte.
        QFile shipped(QStringLiteral(FM_DATA_DIR "/Lang/English.txt"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QCOMPARE(english, shipped.readAll());
        QVERIFY(english.startsWith("\xFF\xFE"));
        QCOMPARE(mx.Version(), u"2.40"_s);
        QCOMPARE(ReadProductText(mx, 0), u"Foldermate"_s);
        QVERIFY(!ReadProductText(mx, 13).isEmpty());
        QCOMPARE(ReadProductText(mx, 14), QString());
        QCOMPARE(ReadProductText(mx, -1), QString());
    }

    void asStreamInflatesOnce()
    {
        TmxStorage mx;
        LoadProgramStore(mx);
        TmxStoredItem *en = mx.ItemByName(u"EN"_s);
        QBuffer *first = en->AsStream();
        first->readAll();
        QCOMPARE(en->Compression(), clNone);
        QCOMPARE(en->Size(), qint64(en->FileSize()));
        QCOMPARE(en->Ratio(), u"100.00%"_s);
        QBuffer *second = en->AsStream();
        QCOMPARE(second, first);
        QCOMPARE(second->pos(), 0);
    }

    void productTextUrl()
    {
        QCOMPARE(ProductTextUrl(u"Help/English.rtf"_s, u"/opt/fm"_s),
                 QUrl::fromLocalFile(u"/opt/fm/Help/English.rtf"_s));
        QCOMPARE(ProductTextUrl(u"https://example.org/x"_s, u"/opt/fm"_s), QUrl(u"https://example.org/x"_s));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("zlibHeader");
        const QByteArray text = QByteArray("Foldermate compares two folder trees. ").repeated(500);
        const QByteArray noise = RandomBytes(200 * 1024, 7);
        QTest::newRow("fastest") << int(clFastest) << text << QByteArray("\x78\x01");
        QTest::newRow("default") << int(clDefault) << text << QByteArray("\x78\x9C");
        QTest::newRow("max") << int(clMax) << text << QByteArray("\x78\xDA");
        QTest::newRow("incompressible") << int(clDefault) << noise << QByteArray("\x78\x9C");
        QTest::newRow("one byte") << int(clMax) << QByteArray("x") << QByteArray("\x78\xDA");
        QTest::newRow("raw") << int(clNone) << text << text.left(2);
    }
    void roundTrip()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, zlibHeader);
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        item->SetCompression(TCompressionLevel(level));
        Load(*item, content);
        QVERIFY(Blob(*item).mid(4).startsWith(zlibHeader));
        if (level != clNone)
            QCOMPARE(item->FileSize(), content.size());
        QCOMPARE(Original(*item), content);

        // Through the stored form and back: the same stored bytes, the same content.
        TmxStorage copy;
        copy.ReadStoredForm(store.WriteStoredForm());
        TmxStoredItem *read = copy.ItemByIndex(0);
        QCOMPARE(read->Compression(), item->Compression());
        QCOMPARE(read->FileSize(), item->FileSize());
        QCOMPARE(Blob(*read), Blob(*item));
        QCOMPARE(read->AsStream()->readAll(), content);
    }

    void changingCompression()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        const QByteArray content = QByteArray("abc").repeated(1000);
        Load(*item, content);
        QStringList events;
        item->OnBeforeSave = [&](TmxStoredItem *, QIODevice *) { events << u"BeforeSave"_s; };
        item->OnAfterSave = [&](TmxStoredItem *) { events << u"AfterSave"_s; };
        item->OnBeforeLoad = [&](TmxStoredItem *, QIODevice *) { events << u"BeforeLoad"_s; };
        item->OnAfterLoad = [&](TmxStoredItem *) { events << u"AfterLoad"_s; };

        item->SetCompression(clNone);
        QCOMPARE(events, (QStringList{u"BeforeSave"_s, u"AfterSave"_s, u"BeforeLoad"_s, u"AfterLoad"_s}));
        QCOMPARE(Blob(*item).mid(4), content);
        QCOMPARE(item->FileSize(), content.size());

        // From raw, compressing takes the size anew.
        TmxStoredItem *raw = store.StoredItems().Add();
        raw->SetCompression(clNone);
        Load(*raw, content.left(10));
        QCOMPARE(raw->FileSize(), 0);
        raw->SetCompression(clMax);
        QCOMPARE(raw->FileSize(), 10);
        QCOMPARE(Original(*raw), content.left(10));

        events.clear();
        item->SetCompression(clNone);
        QVERIFY(events.isEmpty());
    }

    void emptyContent()
    {
        TmxStorage store;
        QCOMPARE(store.Size(), 0);
        QCOMPARE(store.OriginalSize(), 0);
        QCOMPARE(store.Ratio(), u"100%"_s);

        TmxStoredItem *item = store.StoredItems().Add();
        Load(*item, "12345");
        QCOMPARE(item->FileSize(), 5);
        bool loaded = false;
        item->OnAfterLoad = [&](TmxStoredItem *) { loaded = true; };
        Load(*item, QByteArray());
        QCOMPARE(item->Size(), 0);
        QCOMPARE(item->FileSize(), 5);
        QVERIFY(!loaded);
        QCOMPARE(Original(*item), QByteArray());
        item->LoadFromStream(nullptr);
        QCOMPARE(item->Size(), 0);
    }

    void tooLargeSourceIsRefused()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        Load(*item, "kept");
        THugeDevice huge;
        huge.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, item->LoadFromStream(&huge));
        QCOMPARE(Original(*item), QByteArray("kept"));
    }

    void naming()
    {
        TmxStorage store;
        TmxStoredItems &items = store.StoredItems();
        QCOMPARE(items.Add()->Name(), u"mxStoredItem1"_s);
        QCOMPARE(items.Add()->Name(), u"mxStoredItem2"_s);
        items.Delete(0);
        QCOMPARE(items.Add()->Name(), u"mxStoredItem1"_s);
        items.Items(0)->SetName(u"MXSTOREDITEM3"_s);
        QCOMPARE(items.Add()->Name(), u"mxStoredItem2"_s);
        QCOMPARE(items.Add()->Name(), u"mxStoredItem4"_s);
    }

    void renaming()
    {
        TmxStorage mx;
        LoadProgramStore(mx);
        TmxStoredItem *en = mx.ItemByName(u"EN"_s);
        en->SetName(u"en"_s);
        QCOMPARE(en->Name(), u"EN"_s);
        TmxStoredItem *mx1 = mx.ItemByName(u"mx1"_s);
        try {
            mx1->SetName(u"MX2"_s);
            QFAIL("a duplicate name was taken");
        } catch (const EmxStorageError &e) {
            QCOMPARE(e.Message(), u"Duplicated stored item name"_s);
        }
        QCOMPARE(mx1->Name(), u"mx1"_s);
        QCOMPARE(mx.ItemByFileName(u"english.TXT"_s), en);
        QCOMPARE(mx.ItemByName(u"nothing"_s), nullptr);
        QCOMPARE(mx.ItemByIndex(3), nullptr);
        QCOMPARE(mx.StoredItem(-1), nullptr);
    }

    void fileNameAndSizeOnlyRecordWhileLoading()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        Load(*item, "12345");
        item->SetFileName(u"other.txt"_s);
        item->SetFileSize(99);
        QCOMPARE(item->FileName(), QString());
        QCOMPARE(item->FileSize(), 5);
    }

    void assign()
    {
        TmxStorage store;
        TmxStoredItem *source = store.StoredItems().Add();
        Load(*source, "content");
        source->SetTag(42);
        TmxStoredItem *target = store.StoredItems().Add();
        target->SetCompression(clMax);
        store.StoredItems().SetItems(1, *source);
        QCOMPARE(target->Tag(), 42);
        QCOMPARE(target->Name(), u"mxStoredItem2"_s);
        QCOMPARE(target->Compression(), clMax);
        QCOMPARE(Blob(*target), Blob(*source));
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, store.StoredItems().SetItems(5, *source));
    }

    void deleteRaisesOnDestroyAfterLeaving()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        int countSeen = -1;
        item->OnDestroy = [&](TmxStoredItem *) { countSeen = store.StoredItems().Count(); };
        store.StoredItems().Delete(0);
        QCOMPARE(countSeen, 0);
    }

    void files()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"source.bin"_s);
        const QByteArray content = RandomBytes(5000, 3);
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        item->LoadFromFile(source);
        QCOMPARE(item->FileName(), u"source.bin"_s);
        QCOMPARE(item->FileSize(), 5000);
        item->SaveToFile(dir.filePath(u"copy.bin"_s));
        QCOMPARE(FileBytes(dir.filePath(u"copy.bin"_s)), content);

        try {
            item->LoadFromFile(dir.filePath(u"missing.bin"_s));
            QFAIL("a missing file was loaded");
        } catch (const EmxStorageError &e) {
            QVERIFY(e.Message().contains(u"missing.bin"_s));
        }
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, item->SaveToFile(dir.filePath(u"no/such/folder/x"_s)));
    }

    void extractTo()
    {
        QTemporaryDir dir;
        TmxStorage mx;
        LoadProgramStore(mx);
        QStringList after;
        mx.OnBeforeExtract = [](TmxStorage *, QString &, QString &fileName, bool &canExtract) {
            canExtract = fileName != u"mx.txt"_s;
        };
        mx.OnAfterExtract = [&](TmxStorage *, const QString &path, const QString &fileName) {
            after << path + fileName;
        };
        const QString target = dir.filePath(u"a/b"_s);
        QVERIFY(mx.ExtractTo(target));
        QCOMPARE(after, (QStringList{target + u"/EULA.txt"_s, target + u"/English.txt"_s}));
        QCOMPARE(FileBytes(target + u"/English.txt"_s), DataFile(u"Lang/English.txt"_s));
        QVERIFY(!QFile::exists(target + u"/mx.txt"_s));

        // A name that cannot be written is reported, and the others are still written.
        QVERIFY(QDir().mkpath(dir.filePath(u"c/EULA.txt"_s)));
        QStringList failed;
        mx.OnBeforeExtract = nullptr;
        mx.OnExtractError = [&](TmxStorage *, const QString &, const QString &fileName) { failed << fileName; };
        QVERIFY(!mx.ExtractTo(dir.filePath(u"c/"_s)));
        QCOMPARE(failed, QStringList{u"EULA.txt"_s});
        QVERIFY(QFile::exists(dir.filePath(u"c/mx.txt"_s)));
    }

    void ratio_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("original");
        QTest::addColumn<QString>("ratio");
        QTest::newRow("C") << QLocale::c() << qint64(1355) << qint64(2910) << u"46.56%"_s;
        QTest::newRow("store") << QLocale::c() << qint64(2816) << qint64(8410) << u"33.48%"_s;
        QTest::newRow("German comma") << QLocale(QLocale::German) << qint64(1355) << qint64(2910) << u"46,56%"_s;
        QTest::newRow("no grouping") << QLocale(QLocale::English) << qint64(13) << qint64(1) << u"1300.00%"_s;
        QTest::newRow("nothing original") << QLocale::c() << qint64(10) << qint64(0) << u"100%"_s;
    }
    void ratio()
    {
        QFETCH(QLocale, locale);
        QFETCH(qint64, size);
        QFETCH(qint64, original);
        QFETCH(QString, ratio);
        QLocale::setDefault(locale);
        QCOMPARE(TmxStorage::FormatRatio(size, original), ratio);
    }
};

QTEST_GUILESS_MAIN(TestMxStorage)
#include "tst_mxstorage.moc"
