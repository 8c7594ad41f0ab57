// The tree helpers the other tests rely on: a declared tree is made as declared, a picture
// of it shows every difference a copy or delete could make, and a tree that cannot be made
// says which entry failed.

#include "TestTree.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestTree;

class tst_TestTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void snapshotShowsWhatWasDeclared()
    {
        QTemporaryDir dir;
        const QByteArray big(100, '\0');
        QVERIFY(Build(dir.path(), {{u"b/deep/x.txt"_s, "x", 1600000000, 5},
                                   {u"b/"_s, {}, 1500000000},
                                   {u"a.bin"_s, big},
                                   {u"empty/"_s},
                                   TEntry::Link(u"l"_s, u"b/deep"_s),
                                   TEntry::Fifo(u"p"_s)}));
        const QString md5 =
            QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Md5).toHex().left(12));
        QCOMPARE(Snapshot(dir.path(), true).first(), u"a.bin 100 bytes md5:"_s + md5 + u" @1700000000"_s);
        QCOMPARE(Snapshot(dir.path()), (QStringList{u"a.bin 100 bytes md5:"_s + md5 + u" @1700000000"_s, u"b/"_s,
                                                    u"b/deep/"_s, u"b/deep/x.txt \"x\" @1600000000.000000005"_s,
                                                    u"empty/"_s, u"l -> b/deep"_s, u"p fifo"_s}));
        // A folder's time is set after what it holds is made.
        QCOMPARE(Snapshot(dir.path(), true).at(1), u"b/ @1500000000"_s);

        // Content, time and presence each show.
        const QStringList before = Snapshot(dir.path());
        File(dir.path(), u"b/deep/x.txt"_s, "y", 1600000000, 5);
        QVERIFY(Snapshot(dir.path()) != before);
        File(dir.path(), u"b/deep/x.txt"_s, "x", 1600000001, 5);
        QVERIFY(Snapshot(dir.path()) != before);
        QVERIFY(QFile::remove(dir.filePath(u"p"_s)));
        QCOMPARE(Snapshot(dir.path()).size(), before.size() - 1);
        QCOMPARE(Snapshot(dir.filePath(u"none"_s)).size(), 1);
    }

    void aTreeThatCannotBeMadeNamesTheEntry()
    {
        QTemporaryDir dir;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"cannot .*\\(entry \"f/inner.txt\"\\): Not a directory"_s));
        QVERIFY(!Build(dir.path(), {{u"f"_s, "a file"}, {u"f/inner.txt"_s, "x"}, {u"later.txt"_s, "never made"}}));
        QVERIFY(!QFile::exists(dir.filePath(u"later.txt"_s)));
    }
};

QTEST_GUILESS_MAIN(tst_TestTree)
#include "tst_testtree.moc"
