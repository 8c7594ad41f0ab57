// Damaged stored data must end in EmxStorageError, never in a crash or a read out of
// bounds. Built a second time with AddressSanitizer (tst_mxStorageFuzz_asan).

#include "support/EmxStorageError.h"
#include "support/TmxStorage.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray RandomBytes(QRandomGenerator &rng, qsizetype n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(rng.bounded(256));
    return bytes;
}

QByteArray Blob(const QByteArray &stored)
{
    const quint32 n = static_cast<quint32>(stored.size());
    QByteArray blob;
    for (int i = 0; i < 4; ++i)
        blob += static_cast<char>((n >> (8 * i)) & 0xff);
    return blob + stored;
}

// An item whose stored bytes are exactly Stored, read as Level.
void SetStored(TmxStoredItem &item, const QByteArray &stored)
{
    QBuffer in;
    in.setData(Blob(stored));
    in.open(QIODevice::ReadOnly);
    item.ReadStoredItemBlob(in);
}

QByteArray ZlibOf(const QByteArray &content)
{
    uLongf length = compressBound(static_cast<uLong>(content.size()));
    QByteArray out(static_cast<qsizetype>(length), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef *>(out.data()), &length, reinterpret_cast<const Bytef *>(content.constData()),
             static_cast<uLong>(content.size()));
    out.resize(static_cast<qsizetype>(length));
    return out;
}

QByteArray SizeField(qint32 size)
{
    QByteArray field;
    for (int i = 0; i < 4; ++i)
        field += static_cast<char>((static_cast<quint32>(size) >> (8 * i)) & 0xff);
    return field;
}

// Reads the item the way the program does; true when it gave content, false when
// it raised the store's error. Anything else fails the test.
bool TryRead(TmxStoredItem &item, QByteArray *content = nullptr)
{
    try {
        const QByteArray bytes = item.AsStream()->readAll();
        if (content)
            *content = bytes;
        return true;
    } catch (const EmxStorageError &e) {
        if (e.Message().isEmpty())
            qFatal("an error without a message");
        return false;
    }
}

} // namespace

class TestMxStorageFuzz : public QObject
{
    Q_OBJECT

private slots:
    void damagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("not zlib") << QByteArray("plain text, not compressed") << u"not a valid zlib stream"_s;
        QTest::newRow("empty stream") << ZlibOf({}) << u"no size field"_s;
        QTest::newRow("short size field") << ZlibOf("ab") << u"no size field"_s;
        QTest::newRow("negative size") << ZlibOf(SizeField(-5) + "abcde") << u"negative size"_s;
        QTest::newRow("size past the content") << ZlibOf(SizeField(100) + "abcde") << u"holds only 5"_s;
        QTest::newRow("largest size, no content") << ZlibOf(SizeField(INT_MAX)) << u"holds only 0"_s;
        QTest::newRow("cut short") << ZlibOf(SizeField(5) + "abcde").chopped(3) << u"cut short"_s;
        QByteArray badChecksum = ZlibOf(SizeField(5) + "abcde");
        badChecksum[badChecksum.size() - 1] = static_cast<char>(badChecksum.back() ^ 0x55);
        QTest::newRow("bad checksum") << badChecksum << u"not a valid zlib stream"_s;
    }
    void damagedStreams()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, messagePart);
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        SetStored(*item, stored);
        try {
            item->AsStream();
            QFAIL("damaged data was read");
        } catch (const EmxStorageError &e) {
            QVERIFY2(e.Message().contains(messagePart), qPrintable(e.Message()));
        }
        // The item keeps its data and its level, so nothing was half converted.
        QCOMPARE(item->Compression(), clDefault);
        QCOMPARE(item->Size(), stored.size());
    }

    void contentPastTheSizeIsNotPartOfTheFile()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        SetStored(*item, ZlibOf(SizeField(3) + "abcdef"));
        QByteArray content;
        QVERIFY(TryRead(*item, &content));
        QCOMPARE(content, QByteArray("abc"));
    }

    void everyTruncationIsAnError()
    {
        TmxStorage store;
        TmxStoredItem *source = store.StoredItems().Add();
        QBuffer in;
        in.setData(QByteArray("The same line again and again. ").repeated(200));
        in.open(QIODevice::ReadOnly);
        source->LoadFromStream(&in);
        QBuffer blobOut;
        blobOut.open(QIODevice::WriteOnly);
        source->WriteStoredItemBlob(blobOut);
        const QByteArray stored = blobOut.data().mid(4);
        for (qsizetype cut = 0; cut < stored.size(); ++cut) {
            TmxStoredItem *item = store.StoredItems().Add();
            SetStored(*item, stored.left(cut));
            if (cut == 0)
                QVERIFY(TryRead(*item)); // no data at all is an empty item
            else
                QVERIFY2(!TryRead(*item), qPrintable(u"cut at %1"_s.arg(cut)));
            store.StoredItems().Delete(store.StoredItems().Count() - 1);
        }
    }

    void randomAndFlippedStreams()
    {
        QRandomGenerator rng(20240611);
        const QByteArray valid = ZlibOf(SizeField(2000) + QByteArray("0123456789").repeated(200));
        for (int round = 0; round < 3000; ++round) {
            QByteArray stored;
            switch (round % 3) {
            case 0:
                stored = RandomBytes(rng, rng.bounded(1, 400));
                break;
            case 1:
                // A valid header keeps zlib going further into the damage.
                stored = QByteArray("\x78\x9C") + RandomBytes(rng, rng.bounded(0, 400));
                break;
            default:
                stored = valid;
                for (int flips = rng.bounded(1, 4); flips > 0; --flips) {
                    const qsizetype at = rng.bounded(stored.size());
                    stored[at] = static_cast<char>(stored[at] ^ (1 << rng.bounded(8)));
                }
                break;
            }
            TmxStorage store;
            TmxStoredItem *item = store.StoredItems().Add();
            SetStored(*item, stored);
            QByteArray content;
            if (TryRead(*item, &content))
                QVERIFY(content.size() <= 2000 || round % 3 != 2);
        }
    }

    void damagedStoredForms()
    {
        TmxStorage source;
        for (int i = 0; i < 3; ++i) {
            TmxStoredItem *item = source.StoredItems().Add();
            QBuffer in;
            in.setData(QByteArray("item content ").repeated(20 + i));
            in.open(QIODevice::ReadOnly);
            item->LoadFromStream(&in);
        }
        source.StoredItems().Items(1)->SetCompression(clNone);
        const QByteArray form = source.WriteStoredForm();

        TmxStorage store;
        store.ReadStoredForm(form);
        QCOMPARE(store.StoredItems().Count(), 3);

        for (qsizetype cut = 0; cut < form.size(); ++cut) {
            QVERIFY_THROWS_EXCEPTION(EmxStorageError, store.ReadStoredForm(form.left(cut)));
            QCOMPARE(store.StoredItems().Count(), 0);
        }
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, store.ReadStoredForm(form + 'x'));

        QRandomGenerator rng(7);
        for (int round = 0; round < 3000; ++round) {
            QByteArray damaged = form;
            if (round % 4 == 0) {
                damaged = RandomBytes(rng, rng.bounded(0, 200));
            } else {
                for (int flips = rng.bounded(1, 4); flips > 0; --flips) {
                    const qsizetype at = rng.bounded(damaged.size());
                    damaged[at] = static_cast<char>(damaged[at] ^ (1 << rng.bounded(8)));
                }
            }
            try {
                store.ReadStoredForm(damaged);
            } catch (const EmxStorageError &) {
                QCOMPARE(store.StoredItems().Count(), 0);
                continue;
            }
            for (int i = 0; i < store.StoredItems().Count(); ++i)
                TryRead(*store.StoredItems().Items(i));
        }
    }

    void lengthFieldPastTheData()
    {
        TmxStorage store;
        TmxStoredItem *item = store.StoredItems().Add();
        QBuffer in;
        in.setData(QByteArray("\xFF\xFF\xFF\xFF"
                              "abc",
                              7));
        in.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, item->ReadStoredItemBlob(in));
        QCOMPARE(item->Size(), 0);
        QBuffer shortField;
        shortField.setData("\x01\x00", 2);
        shortField.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(EmxStorageError, item->ReadStoredItemBlob(shortField));
    }
};

QTEST_GUILESS_MAIN(TestMxStorageFuzz)
#include "tst_mxstoragefuzz.moc"
