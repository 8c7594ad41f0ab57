#include "controls/TTimeAdjustEdit.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// A time adjustment box must never leave a text behind that is not a number: the
// scan would read it as a shift of hours.
class tst_TimeAdjustEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unfinishedTextFallsBack_data();
    void unfinishedTextFallsBack();
};

void tst_TimeAdjustEdit::unfinishedTextFallsBack_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");

    QTest::newRow("sign only") << u"-"_s << 120;
    QTest::newRow("emptied") << QString() << 120;
    QTest::newRow("letters refused") << u"abc"_s << 120;
    QTest::newRow("beyond the range refused") << u"99999"_s << 9999;
    QTest::newRow("negative") << u"-3600"_s << -3600;
}

void tst_TimeAdjustEdit::unfinishedTextFallsBack()
{
    QFETCH(QString, typed);
    QFETCH(int, value);

    QWidget window;
    auto *edit = new TTimeAdjustEdit(&window);
    auto *other = new QLineEdit(&window);
    other->move(0, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->SetValue(120);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    other->setFocus();
    QCOMPARE(edit->Value(), value);
    QCOMPARE(edit->text(), QString::number(value));
}

QTEST_MAIN(tst_TimeAdjustEdit)
#include "tst_timeadjustedit.moc"
