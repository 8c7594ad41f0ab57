#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TSpinButton.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Counts the beeps instead of sounding them.
class TCountingSpinEdit : public TLabeledFloatSpinEdit
{
public:
    using TLabeledFloatSpinEdit::TLabeledFloatSpinEdit;
    int Beeps = 0;
    QRect CursorRect() const { return cursorRect(); }

protected:
    void Beep() override { ++Beeps; }
};

} // namespace

class tst_FloatSpinEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void setValueRoundsAndLimits_data();
    void setValueRoundsAndLimits();
    void leavingAppliesRoundingAndLimits_data();
    void leavingAppliesRoundingAndLimits();
    void stepsStopAtTheLimit();
    void keyFilter_data();
    void keyFilter();
    void editorDisabledChangesOnlyBySteps();
    void readOnlyBeepsAndKeepsItsValue();
    void commaLocale();
    void autoSelectOnEntry();
    void textNeverRunsUnderTheButton();
    void labelPosition_data();
    void labelPosition();
    void labelFollowsTheEdit();
    void labelDeletedElsewhere();

private:
    void FocusElsewhere();

    std::unique_ptr<QWidget> FWindow;
    TCountingSpinEdit *FEdit = nullptr;
    QLineEdit *FOther = nullptr;
};

void tst_FloatSpinEdit::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    FWindow = std::make_unique<QWidget>();
    FWindow->resize(400, 300);
    FEdit = new TCountingSpinEdit(FWindow.get());
    FEdit->setGeometry(150, 100, 100, 30);
    FOther = new QLineEdit(FWindow.get());
    FOther->setGeometry(10, 250, 100, 24);
    FWindow->show();
    QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
}

void tst_FloatSpinEdit::cleanup()
{
    FWindow.reset();
    QLocale::setDefault(QLocale::c());
}

void tst_FloatSpinEdit::FocusElsewhere()
{
    FOther->setFocus(Qt::TabFocusReason);
    QVERIFY(FOther->hasFocus());
}

void tst_FloatSpinEdit::setValueRoundsAndLimits_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("shown"); // what Value() reads back

    QTest::newRow("2 decimals round down") << 2 << 0.0 << 0.0 << 1.234 << u"1.23"_s << 1.23;
    QTest::newRow("2 decimals, half to even") << 2 << 0.0 << 0.0 << 0.125 << u"0.12"_s << 0.12;
    QTest::newRow("0 decimals, 2.5 to even") << 0 << 0.0 << 0.0 << 2.5 << u"2"_s << 2.0;
    QTest::newRow("0 decimals, 3.5 to even") << 0 << 0.0 << 0.0 << 3.5 << u"4"_s << 4.0;
    QTest::newRow("0 decimals, -2.5 to even") << 0 << 0.0 << 0.0 << -2.5 << u"-2"_s << -2.0;
    QTest::newRow("no trailing zeros") << 2 << 0.0 << 0.0 << 1.5 << u"1.5"_s << 1.5;
    QTest::newRow("no group separator") << 2 << 0.0 << 0.0 << 1234567.891 << u"1234567.89"_s << 1234567.89;
    QTest::newRow("largest size limit") << 2 << 0.0 << 2147483647.0 << 2147483647.0 << u"2147483647"_s << 2147483647.0;
    QTest::newRow("min == max keeps negatives") << 0 << 0.0 << 0.0 << -5e9 << u"-5000000000"_s << -5e9;
    QTest::newRow("min == max keeps huge") << 2 << 0.0 << 0.0 << 1e300 << u"1E+300"_s << 1e300;
    QTest::newRow("equal non-zero limits are no limit") << 0 << 5.0 << 5.0 << 7.0 << u"7"_s << 7.0;
    QTest::newRow("above max") << 0 << 0.0 << 86400.0 << 90000.0 << u"86400"_s << 86400.0;
    QTest::newRow("below min") << 0 << 0.0 << 86400.0 << -1.0 << u"0"_s << 0.0;
    QTest::newRow("rounded before limited") << 0 << 0.0 << 10.0 << 10.4 << u"10"_s << 10.0;
}

void tst_FloatSpinEdit::setValueRoundsAndLimits()
{
    QFETCH(int, decimals);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(double, shown);

    FEdit->SetDecimalPlaces(decimals);
    FEdit->SetMinValue(min);
    FEdit->SetMaxValue(max);
    FEdit->SetValue(value);
    QCOMPARE(FEdit->text(), text);
    QCOMPARE(FEdit->Value(), shown);
}

void tst_FloatSpinEdit::leavingAppliesRoundingAndLimits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("above max") << u"90000"_s << u"86400"_s;
    QTest::newRow("rounded") << u"12.7"_s << u"13"_s;
    QTest::newRow("in range stays as typed") << u"+0042"_s << u"+0042"_s;
    // Reads as MinValue, which passes the check unchanged.
    QTest::newRow("not a number stays") << u"-"_s << u"-"_s;
}

void tst_FloatSpinEdit::leavingAppliesRoundingAndLimits()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    FEdit->SetMaxValue(86400);
    FEdit->setFocus(Qt::TabFocusReason);
    FEdit->clear();
    QTest::keyClicks(FEdit, typed);
    QCOMPARE(FEdit->text(), typed);
    FocusElsewhere();
    QCOMPARE(FEdit->text(), shown);
    QCOMPARE(FEdit->Beeps, 0);
}

void tst_FloatSpinEdit::stepsStopAtTheLimit()
{
    QSignalSpy changes(FEdit, &QLineEdit::textChanged);
    FEdit->SetMaxValue(86400);
    FEdit->SetValue(86399);
    QTest::mouseClick(FEdit->Button()->UpButton(), Qt::LeftButton);
    QCOMPARE(FEdit->Value(), 86400.0);
    QTest::mouseClick(FEdit->Button()->UpButton(), Qt::LeftButton);
    QCOMPARE(FEdit->text(), u"86400"_s);
    QVERIFY(FEdit->hasFocus()); // the button hands the focus to its edit
    FEdit->SetDecimalPlaces(1);
    FEdit->SetIncrement(0.5);
    QTest::keyClick(FEdit, Qt::Key_Down);
    QCOMPARE(FEdit->text(), u"86399.5"_s);
    QCOMPARE(changes.count(), 3);
}

void tst_FloatSpinEdit::keyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");

    QTest::newRow("digits, signs and point") << u"+-0123456789."_s << u"+-0123456789."_s << 0;
    QTest::newRow("letters refused") << u"1a2E3"_s << u"123"_s << 2;
    QTest::newRow("comma is no decimal separator here") << u"1,5"_s << u"15"_s << 1;
    QTest::newRow("space refused") << u"1 5"_s << u"15"_s << 1;
}

void tst_FloatSpinEdit::keyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, beeps);

    FEdit->setFocus();
    FEdit->clear();
    QTest::keyClicks(FEdit, typed);
    QCOMPARE(FEdit->text(), text);
    QCOMPARE(FEdit->Beeps, beeps);

    // An input method commits the same text in one piece: all of it or none.
    FEdit->clear();
    QInputMethodEvent commit;
    commit.setCommitString(typed);
    QApplication::sendEvent(FEdit, &commit);
    QCOMPARE(FEdit->text(), beeps == 0 ? typed : QString());
}

void tst_FloatSpinEdit::editorDisabledChangesOnlyBySteps()
{
    FEdit->SetEditorEnabled(false);
    FEdit->SetValue(5);
    FEdit->setFocus();
    FEdit->end(false);
    QTest::keyClicks(FEdit, u"7."_s);
    QTest::keyClick(FEdit, Qt::Key_Backspace);
    QTest::keyClick(FEdit, Qt::Key_Home);
    QTest::keyClick(FEdit, Qt::Key_Delete);
    QCOMPARE(FEdit->text(), u"5"_s);
    QCOMPARE(FEdit->Beeps, 4);

    QGuiApplication::clipboard()->setText(u"99"_s);
    FEdit->selectAll();
    QTest::keySequence(FEdit, QKeySequence::Paste);
    QTest::keySequence(FEdit, QKeySequence::Cut);
    QCOMPARE(FEdit->text(), u"5"_s);

    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), FEdit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(FEdit, &menuEvent);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    bool offersCopy = false;
    for (QAction *action : actions) {
        offersCopy = offersCopy || action->text().contains(u"&Copy"_s);
        const bool edits = action->text().contains(u"Paste"_s) || action->text().contains(u"Cu&t"_s);
        QVERIFY2(!edits || !action->isEnabled(), qPrintable(action->text()));
    }
    QVERIFY(offersCopy);
    menu->close();
    QVERIFY(!FEdit->isReadOnly());

    QTest::keyClick(FEdit, Qt::Key_Up);
    QCOMPARE(FEdit->text(), u"6"_s);
    QTest::mouseClick(FEdit->Button()->DownButton(), Qt::LeftButton);
    QTest::mouseClick(FEdit->Button()->DownButton(), Qt::LeftButton);
    QCOMPARE(FEdit->text(), u"4"_s);

    FEdit->SetEditorEnabled(true);
    FEdit->selectAll();
    QTest::keySequence(FEdit, QKeySequence::Paste);
    QCOMPARE(FEdit->text(), u"99"_s);
}

void tst_FloatSpinEdit::readOnlyBeepsAndKeepsItsValue()
{
    FEdit->SetValue(3);
    FEdit->setReadOnly(true);
    FEdit->setFocus();
    QTest::keyClick(FEdit, Qt::Key_Up);
    QTest::keyClick(FEdit, Qt::Key_Down);
    QTest::mouseClick(FEdit->Button()->UpButton(), Qt::LeftButton);
    QCOMPARE(FEdit->Beeps, 3);
    QGuiApplication::clipboard()->setText(u"99"_s);
    FEdit->selectAll();
    QTest::keySequence(FEdit, QKeySequence::Paste);
    QCOMPARE(FEdit->text(), u"3"_s);
}

void tst_FloatSpinEdit::commaLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FEdit->SetMinValue(-3);
    FEdit->SetMaxValue(1000000);
    FEdit->SetDecimalPlaces(2);
    FEdit->setFocus();

    FEdit->clear();
    QTest::keyClicks(FEdit, u"1,5"_s);
    QCOMPARE(FEdit->Value(), 1.5);

    // The point key types the locale's comma: what the box shows is what it reads.
    FEdit->clear();
    QTest::keyClicks(FEdit, u"1.5"_s);
    QCOMPARE(FEdit->text(), u"1,5"_s);
    QCOMPARE(FEdit->Value(), 1.5);

    // A pasted point is a decimal point too, never a thousands separator, and leaving
    // the box writes it as the locale does.
    FEdit->setText(u"1.500"_s);
    QCOMPARE(FEdit->Value(), 1.5);
    FEdit->setText(u"2.25"_s);
    QCOMPARE(FEdit->Value(), 2.25);
    FEdit->clearFocus();
    QCOMPARE(FEdit->text(), u"2,25"_s);
    // Two separators are no number.
    FEdit->setText(u"1.2,5"_s);
    QCOMPARE(FEdit->Value(), -3.0);
    QCOMPARE(FEdit->Beeps, 0);

    FEdit->SetValue(1234.567);
    QCOMPARE(FEdit->text(), u"1234,57"_s);
}

void tst_FloatSpinEdit::autoSelectOnEntry()
{
    FEdit->SetValue(123);
    FocusElsewhere();
    FEdit->setFocus(Qt::OtherFocusReason);
    QCOMPARE(FEdit->selectedText(), u"123"_s);

    FocusElsewhere();
    QTest::mouseClick(FEdit, Qt::LeftButton, {}, QPoint(5, FEdit->height() / 2));
    QVERIFY(FEdit->hasFocus());
    QVERIFY(!FEdit->hasSelectedText());

    FocusElsewhere();
    FEdit->SetAutoSelect(false);
    FEdit->setFocus(Qt::OtherFocusReason);
    QVERIFY(!FEdit->hasSelectedText());
}

void tst_FloatSpinEdit::textNeverRunsUnderTheButton()
{
    FEdit->resize(70, 4);
    QCOMPARE(FEdit->height(), FEdit->MinimumEditHeight());
    const QRect button = FEdit->Button()->geometry();
    QVERIFY(FEdit->rect().contains(button));
    QVERIFY(button.right() >= FEdit->width() - 5);

    for (Qt::Alignment align : {Qt::AlignLeft, Qt::AlignRight}) {
        FEdit->setAlignment(align);
        FEdit->setText(u"123456789012345678901234567890"_s);
        FEdit->end(false);
        FEdit->repaint(); // the edit scrolls its text when it paints
        // The rectangle pads the cursor line by a few pixels either side.
        QVERIFY2(FEdit->CursorRect().center().x() < button.left(), "cursor at the end of a long text");
    }
}

void tst_FloatSpinEdit::labelPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("rightToLeft");
    // Expected label origin as offsets: x from the edit's left edge, in units of the
    // edit's width W and the label's width w; y in units of H and h.
    QTest::addColumn<QString>("expected");

    QTest::newRow("above, left") << int(lpAbove) << int(Qt::AlignLeft) << false << u"L, T-h-s"_s;
    QTest::newRow("above, right") << int(lpAbove) << int(Qt::AlignRight) << false << u"L+W-w, T-h-s"_s;
    QTest::newRow("above, centre") << int(lpAbove) << int(Qt::AlignHCenter) << false << u"L+(W-w)/2, T-h-s"_s;
    QTest::newRow("above, left in RTL") << int(lpAbove) << int(Qt::AlignLeft) << true << u"L+W-w, T-h-s"_s;
    QTest::newRow("above, absolute left in RTL")
        << int(lpAbove) << int(Qt::AlignLeft | Qt::AlignAbsolute) << true << u"L, T-h-s"_s;
    QTest::newRow("below, right") << int(lpBelow) << int(Qt::AlignRight) << false << u"L+W-w, T+H+s"_s;
    QTest::newRow("left") << int(lpLeft) << int(Qt::AlignRight) << false << u"L-w-s, T+(H-h)/2"_s;
    QTest::newRow("right") << int(lpRight) << int(Qt::AlignLeft) << false << u"L+W+s, T+(H-h)/2"_s;
}

void tst_FloatSpinEdit::labelPosition()
{
    QFETCH(int, position);
    QFETCH(int, alignment);
    QFETCH(bool, rightToLeft);
    QFETCH(QString, expected);

    TBoundLabel *label = FEdit->EditLabel();
    label->setText(u"A caption of some width"_s);
    FEdit->setAlignment(Qt::Alignment(alignment));
    FEdit->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    FEdit->SetLabelSpacing(7);
    FEdit->SetLabelPosition(TLabelPosition(position));
    FEdit->move(200, 120); // the label follows a move without any other call

    const int L = 200, T = 120, W = FEdit->width(), H = FEdit->height();
    const int w = label->width(), h = label->height(), s = 7;
    QVERIFY(w > 20);
    const QHash<QString, int> xs{{u"L"_s, L},
                                 {u"L+W-w"_s, L + W - w},
                                 {u"L+(W-w)/2"_s, L + (W - w) / 2},
                                 {u"L-w-s"_s, L - w - s},
                                 {u"L+W+s"_s, L + W + s}};
    const QHash<QString, int> ys{{u"T-h-s"_s, T - h - s}, {u"T+H+s"_s, T + H + s}, {u"T+(H-h)/2"_s, T + (H - h) / 2}};
    const QStringList parts = expected.split(u", "_s);
    QCOMPARE(label->pos(), QPoint(xs.value(parts.at(0)), ys.value(parts.at(1))));
}

void tst_FloatSpinEdit::labelFollowsTheEdit()
{
    TBoundLabel *label = FEdit->EditLabel();
    QCOMPARE(label->parentWidget(), FWindow.get());
    QCOMPARE(label->buddy(), FEdit);
    QVERIFY(label->isVisible());

    FEdit->setEnabled(false);
    QVERIFY(!label->isEnabled());
    FEdit->setEnabled(true);
    QVERIFY(label->isEnabled());

    FEdit->hide();
    QVERIFY(!label->isVisible());
    FEdit->show();
    QVERIFY(label->isVisible());

    FEdit->setLayoutDirection(Qt::RightToLeft);
    QCOMPARE(label->layoutDirection(), Qt::RightToLeft);

    // A caption that grows moves a label that sits to the left.
    FEdit->SetLabelPosition(lpLeft);
    label->setText(u"A much longer caption than before"_s);
    QCOMPARE(label->geometry().right(), FEdit->x() - FEdit->LabelSpacing() - 1);

    auto *panel = new QWidget(FWindow.get());
    panel->setGeometry(0, 0, 400, 300);
    panel->show();
    FEdit->setParent(panel);
    FEdit->show();
    QCOMPARE(label->parentWidget(), panel);
    QVERIFY(label->isVisible());
}

void tst_FloatSpinEdit::labelDeletedElsewhere()
{
    delete FEdit->EditLabel();
    QVERIFY(!FEdit->EditLabel());
    FEdit->move(10, 10);
    FEdit->resize(90, 30);
    FEdit->setEnabled(false);
    FEdit->hide();
    FEdit->setLayoutDirection(Qt::RightToLeft);
    FEdit->SetLabelPosition(lpRight);
    FEdit->setParent(nullptr);
    delete FEdit; // nothing left to delete twice
}

QTEST_MAIN(tst_FloatSpinEdit)
#include "tst_floatspinedit.moc"
