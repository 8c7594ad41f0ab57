// Where the window comes back: the placement written at the first start and at every close,
// a maximized window with its normal bounds, and no creeping from one start to the next.

#include "TWindowFixture.h"

#include "registry/RegistryUtils.h"
#include "window/TfrmMain.h"

#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>

using namespace Qt::StringLiterals;

class tst_WindowState : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    static QRect StoredBounds()
    {
        return QRect(ReadInteger(u"WinLeft"_s, INT_MIN), ReadInteger(u"WinTop"_s, INT_MIN),
                     ReadInteger(u"WinWidth"_s, INT_MIN), ReadInteger(u"WinHeight"_s, INT_MIN));
    }

private Q_SLOTS:
    void init() { QVERIFY(SetUpProgram()); }
    void cleanup() { TearDownProgram(); }

    void firstStartStoresWhatItUses()
    {
        TfrmMain *window = ShowWindow();
        // Before the window is ever closed. (The test screen is smaller than the window, so
        // the platform may nudge its position.)
        QCOMPARE(StoredBounds().size(), window->size());
        QCOMPARE(window->size(), QSize(820, 545));
        QCOMPARE(ReadBool(u"WinMax"_s, true), false);
        QCOMPARE(ReadBool(u"FirstPass"_s, true), false);
        QCOMPARE(ReadInteger(u"LangID"_s, INT_MIN), -1);
    }

    void closedWindowComesBackWhereItWas()
    {
        const QRect placed(40, 30, 900, 600);
        TfrmMain *window = ShowWindow();
        window->setGeometry(placed);
        QVERIFY(window->close());
        FWindow.reset();
        QCOMPARE(StoredBounds(), placed);
        window = ShowWindow();
        QCOMPARE(window->geometry(), placed);
    }

    void maximizedWindowKeepsItsNormalBounds()
    {
        const QRect placed(40, 30, 900, 600);
        TfrmMain *window = ShowWindow();
        window->setGeometry(placed);
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
        QVERIFY(window->close());
        FWindow.reset();
        QCOMPARE(ReadBool(u"WinMax"_s, false), true);
        QCOMPARE(StoredBounds(), placed);

        window = ShowWindow();
        QTRY_VERIFY(window->isMaximized());
        window->showNormal();
        QTRY_COMPARE(window->geometry(), placed);
    }

    void noDriftOverTenStarts()
    {
        const QRect placed(50, 60, 830, 550);
        WriteInteger(u"WinLeft"_s, placed.left());
        WriteInteger(u"WinTop"_s, placed.top());
        WriteInteger(u"WinWidth"_s, placed.width());
        WriteInteger(u"WinHeight"_s, placed.height());
        for (int start = 0; start < 10; ++start) {
            TfrmMain *window = ShowWindow();
            QVERIFY(WindowExposed());
            QCOMPARE(window->geometry(), placed);
            QVERIFY(window->close());
            FWindow.reset();
        }
        QCOMPARE(StoredBounds(), placed);
    }

    void boundsOnNoScreenComeBackIntoView()
    {
        WriteInteger(u"WinLeft"_s, 50000);
        WriteInteger(u"WinTop"_s, -40000);
        WriteInteger(u"WinWidth"_s, 900);
        WriteInteger(u"WinHeight"_s, 600);
        TfrmMain *window = ShowWindow();
        QCOMPARE(window->size(), QSize(900, 600));
        QVERIFY(window->screen()->availableGeometry().intersects(window->geometry()));
    }

    void damagedSettingsAreReportedOnce()
    {
        CloseSettingsHive();
        QFile junk(StoreFile());
        QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        OpenSettingsHive(StoreFile());

        ShowWindow();
        QTRY_COMPARE(FPrompts.Asked.size(), 1);
        QVERIFY(FPrompts.Asked.first().startsWith(u"information: "_s));
        ShowWindow();
        QTest::qWait(50);
        QCOMPARE(FPrompts.Asked.size(), 1);
    }
};

QTEST_MAIN(tst_WindowState)
#include "tst_windowstate.moc"
