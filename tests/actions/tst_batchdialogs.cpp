// The batch's real dialogs, as the program shows them, answered by clicks: a question is
// always on top and answerable, Cancel on the progress dialog ends the batch even while a
// question is open, a second click cannot start a second batch, and closing the window
// during a batch never hangs. Each case ends within seconds with the files as chosen.

#include "TWindowFixture.h"
#include "TestTree.h"

#include "actions/ui/TFileActionBoxes.h"
#include "actions/ui/TListActions.h"
#include "platform/TSystemFileOperations.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "support/DefaultLanguageName.h"
#include "window/TResultsPage.h"
#include "window/TfrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

using namespace Qt::StringLiterals;
using namespace TestTree;

namespace {

// The real copier, slowed down so that a batch lasts long enough to be interrupted.
class TSlowOperations final : public TFileOperations
{
public:
    TFileOpResult CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                           const TProgress &progress, const std::atomic<bool> *cancel) override
    {
        ++Copies;
        QThread::msleep(DelayMs);
        return FReal.CopyFile(source, target, options, progress, cancel);
    }
    TFileOpResult MoveToTrash(const QString &path) override { return FReal.MoveToTrash(path); }
    TFileOpResult DeletePermanently(const QString &path) override { return FReal.DeletePermanently(path); }

    std::atomic<int> Copies{0};
    int DelayMs = 0;

private:
    TSystemFileOperations FReal;
};

QByteArray Content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QMessageBox *VisibleBox(const QString &text)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible() && box->text().contains(text))
            return box;
    }
    return nullptr;
}

QProgressDialog *VisibleProgress()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QProgressDialog *>(w);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QAbstractButton *Button(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *b : box->buttons()) {
        if (b->text().remove(u'&') == text)
            return b;
    }
    return nullptr;
}

// Steps carried out one after the other from a timer while the batch runs in its own
// event loop: each waits until its condition holds, then acts like a user.
class TUser : public QObject
{
public:
    struct TStep
    {
        QString Name;
        std::function<bool()> Ready;
        std::function<void()> Act;
    };

    explicit TUser(QList<TStep> steps)
        : FSteps(std::move(steps))
    {
        FClock.start();
        QTimer::singleShot(20, this, [this] { Tick(); });
    }
    bool Finished() const { return FSteps.isEmpty(); }
    QString Stuck() const { return FSteps.isEmpty() ? QString() : FSteps.first().Name; }

private:
    void Tick()
    {
        if (FSteps.isEmpty())
            return;
        // A timer does not fire again while its slot runs: each tick sets up the next one
        // before it acts, so the next steps also run inside a nested loop the action opens.
        if (FClock.elapsed() > 15000) {
            // Whatever is open is cancelled, so that a failure cannot hang the test.
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    box->reject();
                if (auto *progress = qobject_cast<QProgressDialog *>(w); progress && progress->isVisible())
                    Q_EMIT progress->canceled();
            }
            QTimer::singleShot(20, this, [this] { Tick(); });
            return;
        }
        QTimer::singleShot(20, this, [this] { Tick(); });
        if (!FSteps.first().Ready())
            return;
        // Taken first: an action may open a nested loop in which the next steps run.
        const TStep step = FSteps.takeFirst();
        step.Act();
    }

    QList<TStep> FSteps;
    QElapsedTimer FClock;
};

} // namespace

class tst_BatchDialogs : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    std::unique_ptr<TSlowOperations> FOps;
    std::unique_ptr<QTemporaryDir> FTrees;

    QString Src() const { return FTrees->path() + u"/src/"_s; }
    QString Dst() const { return FTrees->path() + u"/dst/"_s; }
    TJamFileList *List(int n) const { return FWindow->FileList(n); }

    // button: one that the scan's results enable.
    bool Scan(const char *button = "PngBitBtn9")
    {
        NewWindow(DefaultLanguageName());
        // The window's own message boxes, as the user sees them.
        FWindow->SetPrompts(nullptr);
        FWindow->Actions().SetFileOperations(FOps.get());
        FWindow->resize(1200, 800);
        FWindow->show();
        if (!ScanInWindow(FTrees->path() + u"/src"_s, FTrees->path() + u"/dst"_s) || !WindowExposed())
            return false;
        // The panels take clicks again once the run is wound up.
        return QTest::qWaitFor([this, button] { return Find<QPushButton>(*FWindow, button)->isEnabled(); }, 5000);
    }

    // Where the item at index (in the batch's order) of list 1 is copied to.
    QString Target(int index) const { return Dst() + List(1)->Paths().at(index).mid(Src().size()); }

    // Presses "Copy all to Destination" with the mouse; returns when the batch is over.
    void ClickCopyAll() { QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn9"), Qt::LeftButton); }

    static TUser::TStep Answer(const QString &boxText, const QString &button)
    {
        return {boxText + u" / "_s + button,
                [boxText, button] {
                    QMessageBox *box = VisibleBox(boxText);
                    return box && Button(box, button) && Button(box, button)->isEnabled();
                },
                [boxText, button] { QTest::mouseClick(Button(VisibleBox(boxText), button), Qt::LeftButton); }};
    }

    static QStringList Names(const QStringList &paths, const QString &root)
    {
        QStringList names;
        for (const QString &p : paths)
            names << p.mid(root.size());
        names.sort();
        return names;
    }

    // The first of the menu's entries with this text.
    static QAction *Entry(QMenu &menu, const QString &text)
    {
        const QList<QAction *> actions = menu.actions();
        const auto found = std::find_if(actions.begin(), actions.end(),
                                        [&text](const QAction *a) { return a->text().remove(u'&') == text; });
        return found == actions.end() ? nullptr : *found;
    }

    static void SelectRow(TJamFileList *list, const QString &path)
    {
        list->clearSelection();
        for (int row = 0; row < list->RowCount(); ++row) {
            if (list->RowPath(row) == path) {
                list->setCurrentIndex(list->model()->index(row, 0));
                list->selectionModel()->select(list->model()->index(row, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
        }
    }

    QList<QUrl> FOpened; // what the desktop was asked to open

public Q_SLOTS:
    void OpenUrl(const QUrl &url) { FOpened << url; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(SetUpProgram(true)); }
    void cleanupTestCase() { TearDownProgram(); }
    void init()
    {
        FOps = std::make_unique<TSlowOperations>();
        FTrees = std::make_unique<QTemporaryDir>();
        QDir().mkpath(Src());
        QDir().mkpath(Dst());
    }
    void cleanup()
    {
        FWindow.reset();
        FTrees.reset();
    }

    // The destination holds a plain file named like the source folder of the first file.
    void errorOnTheFirstFileIsAskedAboveTheProgress()
    {
        for (int i = 1; i <= 3; ++i)
            File(Src(), u"d%1/x.txt"_s.arg(i), "x");
        QVERIFY(Scan());
        const QStringList order = List(1)->Paths(); // the order the batch takes them in
        const QString folder = QFileInfo(order.first()).dir().dirName();
        File(Dst(), folder, "in the way");
        bool aboveProgress = false;
        TUser user({{u"error box"_s, [] { return VisibleBox(u"could not be copied"_s) != nullptr; },
                     [&] {
                         QMessageBox *box = VisibleBox(u"could not be copied"_s);
                         // FM_SCREENSHOT=file.png keeps a picture of the screen (on a real display).
                         if (const QString shot = qEnvironmentVariable("FM_SCREENSHOT"); !shot.isEmpty()) {
                             QTest::qWait(300);
                             QGuiApplication::primaryScreen()->grabWindow(0).save(shot);
                         }
                         aboveProgress = box->parentWidget() && box->parentWidget() == VisibleProgress();
                         QTest::mouseClick(Button(box, u"Skip"_s), Qt::LeftButton);
                     }}});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        // The question belongs to the progress dialog, so it is never covered by it.
        QVERIFY(aboveProgress);
        QCOMPARE(List(1)->Paths(), order.first(1));
        QCOMPARE(List(6)->Paths().size(), 2);
        QCOMPARE(Content(Dst() + folder), QByteArray("in the way"));
        QVERIFY(!VisibleProgress());
    }

    // The question after some files were done, once the progress dialog is up, still
    // takes its answer: the cause is removed and Retry copies the file.
    void errorAfterSomeFilesTakesRetry()
    {
        for (int i = 1; i <= 4; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        const QString third = Target(2);
        QVERIFY(QDir().mkpath(third));
        FOps->DelayMs = 250;
        TUser user({{u"progress"_s, [] { return VisibleProgress() != nullptr; }, [] {}},
                    {u"error box"_s, [third] { return VisibleBox(u"could not be copied"_s) != nullptr; },
                     [third] {
                         QDir().rmdir(third);
                         QTest::mouseClick(Button(VisibleBox(u"could not be copied"_s), u"Retry"_s), Qt::LeftButton);
                     }}});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QVERIFY(List(1)->Paths().isEmpty());
        QCOMPARE(Content(third), QByteArray("new"));
    }

    void skipAllAsksOnceAndReportsTheSkippedFiles()
    {
        for (int i = 1; i <= 5; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        const QStringList order = List(1)->Paths();
        for (int i : {0, 2, 3})
            QVERIFY(QDir().mkpath(Target(i)));
        QString report;
        TUser user({Answer(u"could not be copied"_s, u"Skip all"_s),
                    {u"report"_s, [] { return VisibleBox(u"3 files were skipped"_s) != nullptr; },
                     [&] {
                         report = VisibleBox(u"3 files were skipped"_s)->text();
                         QTest::mouseClick(VisibleBox(u"3 files were skipped"_s)->button(QMessageBox::Ok),
                                           Qt::LeftButton);
                     }}});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QVERIFY(report.contains(order.at(3)));
        QCOMPARE(List(1)->Paths(), (QStringList{order.at(0), order.at(2), order.at(3)}));
        QCOMPARE(Content(Dst() + order.at(4).mid(Src().size())), QByteArray("new"));
    }

    void cancelOnTheProgressDialogAnswersAnOpenQuestion()
    {
        for (int i = 1; i <= 4; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        const QStringList order = List(1)->Paths();
        QVERIFY(QDir().mkpath(Target(1)));
        TUser user({{u"error box"_s, [] { return VisibleBox(u"could not be copied"_s) && VisibleProgress(); },
                     [] {
                         QPushButton *cancel = VisibleProgress()->findChild<QPushButton *>();
                         QTest::mouseClick(cancel, Qt::LeftButton);
                     }}});
        QElapsedTimer clock;
        clock.start();
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!VisibleBox(u"could not be copied"_s));
        QCOMPARE(List(1)->Paths(), order.mid(1));
        QCOMPARE(QDir(Dst()).entryList(QDir::Files), QStringList{order.first().mid(Src().size())});
    }

    // Before the progress dialog appears the window takes no clicks: the second click of
    // a double click, and a double click after it, arrive while the first batch runs and
    // start nothing.
    void doubleClickStartsOneBatch()
    {
        for (int i = 1; i <= 3; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        FOps->DelayMs = 100;
        TUser user({{u"second click"_s, [] { return true; },
                     [this] {
                         QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn9"), Qt::LeftButton);
                         QTest::mouseDClick(Find<QPushButton>(*FWindow, "PngBitBtn9"), Qt::LeftButton);
                     }}});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QCOMPARE(FOps->Copies.load(), 3);
        QVERIFY(List(1)->Paths().isEmpty());
        QCOMPARE(List(5)->Paths().size(), 3);
    }

    // The row menu, Enter, a double click and the Delete key, on real files: a missing file
    // opens, a pair is handed over to be compared with its counterpart, the menu's entries
    // and the Delete key act on the selected row, the delete with its confirmation.
    void rowMenuAndKeysActOnRealFiles()
    {
        File(Src(), u"alone.txt"_s, "alone");
        File(Src(), u"gone.txt"_s, "gone");
        File(Src(), u"pair.txt"_s, "newer", 1700000100);
        File(Dst(), u"pair.txt"_s, "older", 1700000000);
        QVERIFY(Scan());
        QDesktopServices::setUrlHandler(u"file"_s, this, "OpenUrl");
        const auto noHandler = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
        FOpened.clear();
        TResultsPage &page = FWindow->ResultsPage();
        QSignalSpy compared(&page, &TResultsPage::ComparePair);

        // A missing file opens on a double click and on Enter; a pair is compared.
        TJamFileList *missing = List(1);
        SelectRow(missing, Src() + u"alone.txt"_s);
        QTest::keyClick(missing, Qt::Key_Return);
        QCOMPARE(FOpened, QList<QUrl>{QUrl::fromLocalFile(Src() + u"alone.txt"_s)});
        TJamFileList *newer = List(3);
        SelectRow(newer, Src() + u"pair.txt"_s);
        Q_EMIT newer->doubleClicked(newer->currentIndex());
        QCOMPARE(compared.size(), 1);
        QCOMPARE(compared.first(),
                 (QVariantList{QVariant(3), QVariant(Src() + u"pair.txt"_s), QVariant(Dst() + u"pair.txt"_s)}));

        // The menu: open, open the folder, copy the path, compare (pairs only).
        std::unique_ptr<QMenu> menu = page.RowMenu(1);
        QVERIFY(menu);
        QVERIFY(!Entry(*menu, u"Compare contents"_s));
        Entry(*menu, u"Open containing folder"_s)->trigger();
        QCOMPARE(FOpened.last(), QUrl::fromLocalFile(FTrees->path() + u"/src"_s));
        Entry(*menu, u"Copy path"_s)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), Src() + u"alone.txt"_s);
        menu = page.RowMenu(3);
        Entry(*menu, u"Compare contents"_s)->trigger();
        QCOMPARE(compared.size(), 2);
        QVERIFY(!Entry(*menu, u"Delete selected"_s)); // list 3 deletes nothing

        // The list's own delete from the menu, then the Delete key, each asking first.
        const QString trash = FProgram->filePath(u"data/Trash/files"_s);
        QPushButton *deleteButton = Find<QPushButton>(*FWindow, "PngBitBtn14");
        QTRY_COMPARE(deleteButton->text().remove(u'&'), u"Delete selected"_s);
        menu = page.RowMenu(1);
        {
            TUser user({Answer(u"to the trash?"_s, u"Yes"_s)});
            Entry(*menu, u"Delete selected"_s)->trigger();
            QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        }
        QVERIFY(!QFile::exists(Src() + u"alone.txt"_s));
        QVERIFY(QFile::exists(trash + u"/alone.txt"_s));
        SelectRow(missing, Src() + u"gone.txt"_s);
        {
            TUser user({Answer(u"to the trash?"_s, u"No"_s)});
            QTest::keyClick(missing, Qt::Key_Delete);
            QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        }
        QVERIFY(QFile::exists(Src() + u"gone.txt"_s));
        {
            TUser user({Answer(u"to the trash?"_s, u"Yes"_s)});
            QTest::keyClick(missing, Qt::Key_Delete);
            QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        }
        QVERIFY(!QFile::exists(Src() + u"gone.txt"_s));
        QVERIFY(missing->Paths().isEmpty());
    }

    // The source side on a volume without a trash, with the real file operations: the
    // question comes before anything is deleted for good, and No keeps the file.
    void refusedTrashAsksAndNoKeepsTheFile()
    {
        if (::mount("tmpfs", QFile::encodeName(Src()).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP(qPrintable(u"cannot mount a tmpfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
        const auto unmount = qScopeGuard([this] { ::umount2(QFile::encodeName(Src()).constData(), MNT_DETACH); });
        File(Src(), u"keep.txt"_s, "stays");
        QVERIFY(Scan());
        const QString trash = FProgram->filePath(u"data/Trash/files"_s);
        const QStringList trashBefore = QDir(trash).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        TUser user({Answer(u"to the trash?"_s, u"Yes"_s), Answer(u"cannot be moved to the trash"_s, u"No"_s)});
        QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn14"), Qt::LeftButton);
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QCOMPARE(Content(Src() + u"keep.txt"_s), QByteArray("stays"));
        QCOMPARE(List(1)->Paths(), QStringList{Src() + u"keep.txt"_s});
        QCOMPARE(QDir(trash).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), trashBefore);
        QCOMPARE(QDir(Src()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{u"keep.txt"_s});
    }

    // Update Destination keeps the file it replaces in the trash, restorable to where it
    // was; with the setting off it replaces without a trace.
    void updateKeepsTheReplacedFileInTheTrash()
    {
        File(Src(), u"sub/f.txt"_s, "new", 1700000100);
        File(Dst(), u"sub/f.txt"_s, "old", 1700000000);
        QVERIFY(Scan("PngBitBtn2"));
        QCOMPARE(List(3)->Paths(), QStringList{Src() + u"sub/f.txt"_s});
        const QString trash = FProgram->filePath(u"data/Trash"_s);
        QDir(trash).removeRecursively();
        QVERIFY(Find<QCheckBox>(*FWindow, "CheckBox9")->isChecked());
        QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn2"), Qt::LeftButton);
        QCOMPARE(Content(Dst() + u"sub/f.txt"_s), QByteArray("new"));
        QCOMPARE(Content(trash + u"/files/f.txt"_s), QByteArray("old"));
        QFile info(trash + u"/info/f.txt.trashinfo"_s);
        QVERIFY(info.open(QIODevice::ReadOnly));
        const QByteArray restore = info.readAll();
        QVERIFY2(restore.contains(
                     QByteArray("\nPath=" + QFile::encodeName(Dst() + u"sub/f.txt"_s).toPercentEncoding("/") + '\n')),
                 restore.constData());
        QVERIFY(
            restore.contains(QByteArray("\nDeletionDate=" + QDate::currentDate().toString(Qt::ISODate).toLatin1())));

        File(Src(), u"sub/f.txt"_s, "newer", 1700000200);
        QVERIFY(Scan("PngBitBtn2"));
        Find<QCheckBox>(*FWindow, "CheckBox9")->setChecked(false);
        QDir(trash).removeRecursively();
        QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn2"), Qt::LeftButton);
        QCOMPARE(Content(Dst() + u"sub/f.txt"_s), QByteArray("newer"));
        QVERIFY(QDir(trash + u"/files"_s).isEmpty());
    }

    // The destination on a volume without a trash: one question for the whole batch, and
    // its answer for every file it replaces.
    void refusedKeepAsksOncePerBatch_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("replace") << u"Replace without keeping"_s << QByteArray("new") << 0;
        QTest::newRow("skip") << u"Skip"_s << QByteArray("old") << 3;
        QTest::newRow("cancel") << u"Cancel"_s << QByteArray("old") << 3;
    }
    void refusedKeepAsksOncePerBatch()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, content);
        QFETCH(int, rowsLeft);
        if (::mount("tmpfs", QFile::encodeName(Dst()).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP(qPrintable(u"cannot mount a tmpfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
        const auto unmount = qScopeGuard([this] { ::umount2(QFile::encodeName(Dst()).constData(), MNT_DETACH); });
        for (int i = 1; i <= 3; ++i) {
            File(Src(), u"f%1.txt"_s.arg(i), "new", 1700000100);
            File(Dst(), u"f%1.txt"_s.arg(i), "old", 1700000000);
        }
        QVERIFY(Scan("PngBitBtn2"));
        QList<TUser::TStep> steps{Answer(u"its volume has no trash"_s, answer)};
        if (answer == u"Skip"_s)
            steps << Answer(u"3 files were skipped"_s, u"OK"_s);
        TUser user(steps);
        QTest::mouseClick(Find<QPushButton>(*FWindow, "PngBitBtn2"), Qt::LeftButton);
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QVERIFY(!VisibleBox(u"its volume has no trash"_s));
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(Content(Dst() + u"f%1.txt"_s.arg(i)), content);
        QCOMPARE(List(3)->Paths().size(), rowsLeft);
        QCOMPARE(QDir(Dst()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 (QStringList{u"f1.txt"_s, u"f2.txt"_s, u"f3.txt"_s}));
    }

    // Every way of closing asks the one question: the program's own close, the window
    // manager's close of the window or of the progress dialog, Alt+F4 on either. The
    // question is on top, the batch waits while it is open, and the busy pointer covers
    // the window only, never the batch's dialogs.
    void closeDuringABatchAsksFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("yes");
        for (const char *how : {"close()", "window close event", "progress close event", "title bar of the window",
                                "title bar of the progress", "Alt+F4 on the window", "Alt+F4 on the progress"}) {
            QTest::addRow("%s, No keeps going", how) << QString::fromLatin1(how) << false;
            QTest::addRow("%s, Yes cancels and closes", how) << QString::fromLatin1(how) << true;
        }
    }
    void closeDuringABatchAsksFirst()
    {
        QFETCH(QString, how);
        QFETCH(bool, yes);
        for (int i = 1; i <= 6; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        FOps->DelayMs = 100;
        const QString question = FWindow->Text(tlCloseDuringBatch);
        bool notModalBefore = false, onTop = false, busyOnlyOverWindow = false;
        int copiesAsked = -1, copiesLater = -2;
        const auto request = [this, how] {
            QWidget *progress = VisibleProgress();
            if (how == u"close()"_s) {
                FWindow->close();
            } else if (how.endsWith(u"close event"_s)) {
                QCloseEvent close;
                QCoreApplication::sendEvent(how.startsWith(u"window"_s) ? FWindow.get() : progress, &close);
                QVERIFY(!close.isAccepted());
            } else if (how.startsWith(u"title bar"_s)) {
                // As the window system delivers its close: to the platform window, which
                // closes the widget unless the widget refuses.
                QCloseEvent close;
                QWidget *closed = how.endsWith(u"window"_s) ? static_cast<QWidget *>(FWindow.get()) : progress;
                QCoreApplication::sendEvent(closed->windowHandle(), &close);
                QVERIFY(!close.isAccepted());
                QVERIFY(closed->isVisible());
            } else {
                QTest::keyClick(how.endsWith(u"window"_s) ? static_cast<QWidget *>(FWindow.get()) : progress,
                                Qt::Key_F4, Qt::AltModifier);
            }
        };
        TUser user({{u"close"_s, [] { return VisibleProgress() != nullptr; },
                     [&] {
                         // Nothing modal holds the window: the window system's close reaches it.
                         notModalBefore = QApplication::activeModalWidget() == nullptr;
                         request();
                     }},
                    {u"question"_s, [&] { return VisibleBox(question) != nullptr; },
                     [&] {
                         QMessageBox *box = VisibleBox(question);
                         onTop = QApplication::activeModalWidget() == box && box->parentWidget() == VisibleProgress();
                         const auto *cover = FWindow->findChild<QWidget *>(u"BusyCover"_s);
                         busyOnlyOverWindow = !QApplication::overrideCursor() && cover && cover->isVisible()
                                              && cover->cursor().shape() == Qt::WaitCursor
                                              && cover->geometry() == FWindow->rect()
                                              && box->cursor().shape() != Qt::WaitCursor
                                              && VisibleProgress()->cursor().shape() != Qt::WaitCursor;
                         copiesAsked = FOps->Copies.load();
                         // Without events, so that the answer cannot come meanwhile.
                         QThread::msleep(500);
                         copiesLater = FOps->Copies.load();
                     }},
                    Answer(question, yes ? u"Yes"_s : u"No"_s)});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        QVERIFY(notModalBefore);
        QVERIFY(onTop);
        QVERIFY(busyOnlyOverWindow);
        QCOMPARE(copiesLater, copiesAsked);
        QVERIFY(!FWindow->findChild<QWidget *>(u"BusyCover"_s));
        if (yes) {
            QTRY_VERIFY_WITH_TIMEOUT(!FWindow->isVisible(), 5000);
            // Cancelled in the file in hand at the latest: the rest was never started.
            QVERIFY(FOps->Copies.load() < 6);
            QVERIFY(QDir(Dst()).entryList(QDir::Files).size() <= FOps->Copies.load());
        } else {
            QVERIFY(FWindow->isVisible());
            QCOMPARE(FOps->Copies.load(), 6);
            QVERIFY(List(1)->Paths().isEmpty());
        }
    }

    // The worker waits for the answer to a question while the window is being closed.
    void closeWithAPendingQuestion()
    {
        for (int i = 1; i <= 3; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "new");
        QVERIFY(Scan());
        const QStringList order = List(1)->Paths();
        QVERIFY(QDir().mkpath(Target(1)));
        const QString question = FWindow->Text(tlCloseDuringBatch);
        bool onTop = false;
        TUser user({{u"close"_s, [] { return VisibleBox(u"could not be copied"_s) != nullptr; },
                     [] {
                         QCloseEvent close;
                         QCoreApplication::sendEvent(VisibleProgress(), &close);
                     }},
                    {u"on top"_s, [question] { return VisibleBox(question) != nullptr; },
                     [&] {
                         onTop = QApplication::activeModalWidget() == VisibleBox(question)
                                 && VisibleBox(question)->parentWidget() == VisibleBox(u"could not be copied"_s);
                     }},
                    Answer(question, u"Yes"_s)});
        ClickCopyAll();
        QVERIFY2(user.Finished(), qPrintable(user.Stuck()));
        // Above the question that was open, not hidden behind it or the progress dialog.
        QVERIFY(onTop);
        QTRY_VERIFY_WITH_TIMEOUT(!FWindow->isVisible(), 5000);
        QVERIFY(!VisibleBox(u"could not be copied"_s));
        QCOMPARE(QDir(Dst()).entryList(QDir::Files), QStringList{order.first().mid(Src().size())});
    }
};

QTEST_MAIN(tst_BatchDialogs)
#include "tst_batchdialogs.moc"
