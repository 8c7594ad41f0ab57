#include "controls/TCustomeLabeledFloatSpinEdit.h"

#include "controls/TSpinButton.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// The user's number format, without thousands separators in either direction: the
// text of a number box is never grouped, and "1.500" must not read as 1500 where the
// dot groups thousands.
QLocale NumberLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

// One device-independent pixel of border, the thin line the height formula allows
// four times for the frame and its bevel.
constexpr int BorderHeight = 1;

} // namespace

TCustomeLabeledFloatSpinEdit::TCustomeLabeledFloatSpinEdit(QWidget *parent)
    : QLineEdit(parent)
    , FEditLabel(new TBoundLabel(parent))
    , FButton(new TSpinButton(this))
{
    FEditLabel->setBuddy(this);
    FEditLabel->installEventFilter(this);
    FButton->SetFocusControl(this);
    connect(FButton, &TSpinButton::UpClick, this, &TCustomeLabeledFloatSpinEdit::UpClick);
    connect(FButton, &TSpinButton::DownClick, this, &TCustomeLabeledFloatSpinEdit::DownClick);
    setText(QStringLiteral("0"));
    setMinimumHeight(MinimumEditHeight());
    UpdateButtonPlacement();
    SetLabelBounds();
}

TCustomeLabeledFloatSpinEdit::~TCustomeLabeledFloatSpinEdit()
{
    // The label is a sibling, so nobody else would delete it with us.
    delete FEditLabel.data();
}

// A point where the locale writes a decimal comma: a pasted or older "1.5" means one and
// a half, never fifteen or fifteen hundred (the box takes no thousands separators).
QString TCustomeLabeledFloatSpinEdit::PointAsDecimal(const QString &text)
{
    const QString decimalPoint = NumberLocale().decimalPoint();
    if (decimalPoint == u"."_s || text.count(u'.') != 1 || text.contains(decimalPoint))
        return text;
    return QString(text).replace(u'.', decimalPoint);
}

double TCustomeLabeledFloatSpinEdit::Value() const
{
    bool ok = false;
    const double value = NumberLocale().toDouble(PointAsDecimal(text()), &ok);
    if (!ok || !std::isfinite(value))
        return FMinValue;
    return value;
}

void TCustomeLabeledFloatSpinEdit::SetValue(double value)
{
    setText(NumberLocale().toString(CheckValue(value), 'g', 15));
}

double TCustomeLabeledFloatSpinEdit::CheckValue(double value) const
{
    if (std::isnan(value))
        return FMinValue;
    const double factor = static_cast<double>(std::pow(10.0f, static_cast<float>(FDecimalPlaces)));
    // nearbyint rounds in the current mode, to nearest with halves to even. A product
    // beyond the 64-bit range has no fraction left to round, and converting it would
    // be undefined, so such a value is kept as it is.
    const double scaled = std::nearbyint(value * factor);
    constexpr double Int64Limit = 9223372036854775808.0; // 2^63
    if (std::isfinite(scaled) && factor != 0 && scaled > -Int64Limit && scaled < Int64Limit)
        value = static_cast<double>(static_cast<std::int64_t>(scaled)) / factor;
    if (FMinValue != FMaxValue) {
        if (value < FMinValue)
            return FMinValue;
        if (value > FMaxValue)
            return FMaxValue;
    }
    return value;
}

void TCustomeLabeledFloatSpinEdit::SetDecimalPlaces(int places)
{
    FDecimalPlaces = places;
    update();
}

void TCustomeLabeledFloatSpinEdit::SetLabelPosition(TLabelPosition position)
{
    FLabelPosition = position;
    SetLabelBounds();
}

void TCustomeLabeledFloatSpinEdit::SetLabelSpacing(int spacing)
{
    FLabelSpacing = spacing;
    SetLabelBounds();
}

void TCustomeLabeledFloatSpinEdit::UpClick()
{
    if (isReadOnly())
        Beep();
    else
        SetValue(Value() + FIncrement);
}

void TCustomeLabeledFloatSpinEdit::DownClick()
{
    if (isReadOnly())
        Beep();
    else
        SetValue(Value() - FIncrement);
}

void TCustomeLabeledFloatSpinEdit::Beep()
{
    QApplication::beep();
}

int TCustomeLabeledFloatSpinEdit::MinimumEditHeight() const
{
    const int fontHeight = fontMetrics().height();
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    return fontHeight + std::min(systemHeight, fontHeight) / 4 + 4 * BorderHeight + 2;
}

QSize TCustomeLabeledFloatSpinEdit::sizeHint() const
{
    QSize size = QLineEdit::sizeHint();
    size.setHeight(std::max(size.height(), MinimumEditHeight()));
    return size;
}

QSize TCustomeLabeledFloatSpinEdit::minimumSizeHint() const
{
    QSize size = QLineEdit::minimumSizeHint();
    size.setHeight(std::max(size.height(), MinimumEditHeight()));
    return size;
}

bool TCustomeLabeledFloatSpinEdit::IsValidChar(QChar c) const
{
    const QString decimalPoint = QLocale().decimalPoint();
    bool valid = c == u'+' || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9')
                 || (decimalPoint.size() == 1 && c == decimalPoint.at(0)) || (c.unicode() < 32 && c != u'\r');
    if (valid && !FEditorEnabled && (c.unicode() >= 32 || c == u'\b'))
        valid = false;
    return valid;
}

void TCustomeLabeledFloatSpinEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (key == Qt::Key_Up)
            UpClick();
        else
            DownClick();
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        if (CanEditClipboard())
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    // Backspace and Delete edit the text whatever character they carry; a box that
    // may not be edited refuses them (Delete included, which would otherwise be the
    // one key left that changes the text).
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (FEditorEnabled) {
            QLineEdit::keyPressEvent(event);
        } else {
            Beep();
            event->accept();
        }
        return;
    }
    const QString typed = event->text();
    // Where the locale writes a decimal comma, the point key types the comma: the box
    // shows the number as it is read.
    if (typed == u"."_s && FEditorEnabled && !isReadOnly() && QLocale().decimalPoint() != typed) {
        insert(QLocale().decimalPoint());
        event->accept();
        return;
    }
    const bool valid = typed.isEmpty() || typed == QLocale().decimalPoint()
                       || std::all_of(typed.cbegin(), typed.cend(), [this](QChar c) { return IsValidChar(c); });
    if (!valid || (!FEditorEnabled && typed == QLocale().decimalPoint())) {
        Beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomeLabeledFloatSpinEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // Text committed by an input method arrives here, not as key presses; it passes
    // the same filter, and is dropped whole when any of it is refused.
    const QString committed = event->commitString();
    const bool valid = committed.isEmpty()
                       || std::all_of(committed.cbegin(), committed.cend(), [this](QChar c) { return IsValidChar(c); });
    if (valid) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    Beep();
    QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&withoutCommit);
}

void TCustomeLabeledFloatSpinEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // A returning popup or window is not the user coming to the box, and a left click
    // places the cursor where the user clicked.
    const Qt::FocusReason reason = event->reason();
    const bool leftClick = reason == Qt::MouseFocusReason && (QGuiApplication::mouseButtons() & Qt::LeftButton);
    if (FAutoSelect && !leftClick && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        selectAll();
}

void TCustomeLabeledFloatSpinEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A context menu or another window taking the focus for a moment is not leaving.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    const double value = Value();
    // A pasted "1.5" under a decimal comma is written as the locale writes it.
    if (CheckValue(value) != value || PointAsDecimal(text()) != text())
        SetValue(value);
}

void TCustomeLabeledFloatSpinEdit::UpdateButtonPlacement()
{
    int frame = 0;
    if (hasFrame()) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    }
    const int buttonWidth = FButton->width();
    FButton->setGeometry(width() - buttonWidth - frame, frame, buttonWidth, height() - 2 * frame);
    // Keep the text clear of the button, with two pixels between them.
    const QMargins margins = textMargins();
    if (margins.right() != buttonWidth + 2)
        setTextMargins(margins.left(), margins.top(), buttonWidth + 2, margins.bottom());
}

void TCustomeLabeledFloatSpinEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    const int minHeight = MinimumEditHeight();
    if (height() < minHeight) {
        resize(width(), minHeight);
        return;
    }
    UpdateButtonPlacement();
    SetLabelBounds();
}

void TCustomeLabeledFloatSpinEdit::moveEvent(QMoveEvent *event)
{
    QLineEdit::moveEvent(event);
    SetLabelBounds();
}

void TCustomeLabeledFloatSpinEdit::SetLabelBounds()
{
    if (!FEditLabel)
        return;
    const QRect edit = geometry();
    const int w = FEditLabel->width();
    const int h = FEditLabel->height();
    // The edit's text alignment as seen on screen: leading/trailing flip when the
    // box is laid out right to left.
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask;
    int left = edit.left();
    if (align & Qt::AlignRight)
        left = edit.left() + edit.width() - w;
    else if (align & Qt::AlignHCenter)
        left = edit.left() + (edit.width() - w) / 2;
    QPoint position;
    switch (FLabelPosition) {
    case lpAbove:
        position = QPoint(left, edit.top() - h - FLabelSpacing);
        break;
    case lpBelow:
        position = QPoint(left, edit.top() + edit.height() + FLabelSpacing);
        break;
    case lpLeft:
        position = QPoint(edit.left() - w - FLabelSpacing, edit.top() + (edit.height() - h) / 2);
        break;
    case lpRight:
        position = QPoint(edit.left() + edit.width() + FLabelSpacing, edit.top() + (edit.height() - h) / 2);
        break;
    }
    FEditLabel->move(position);
}

void TCustomeLabeledFloatSpinEdit::FollowParent()
{
    if (!FEditLabel || FEditLabel->parentWidget() == parentWidget())
        return;
    // Reparenting hides a widget just as it hid the edit; an edit hidden on purpose
    // keeps its label hidden, otherwise the two appear together.
    const bool explicitlyHidden = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
    FEditLabel->setParent(parentWidget());
    if (explicitlyHidden)
        FEditLabel->hide();
    else if (parentWidget() && isVisible())
        FEditLabel->show();
    SetLabelBounds();
}

void TCustomeLabeledFloatSpinEdit::setVisible(bool visible)
{
    QLineEdit::setVisible(visible);
    // Without a parent the label would become a window of its own.
    if (FEditLabel && FEditLabel->parentWidget())
        FEditLabel->setVisible(visible);
}

bool TCustomeLabeledFloatSpinEdit::event(QEvent *event)
{
    const bool result = QLineEdit::event(event);
    if (event->type() == QEvent::ParentChange)
        FollowParent();
    return result;
}

bool TCustomeLabeledFloatSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    // The event type first: the label's own destructor sends events through this filter, and
    // looking at the guarded pointer then would treat a half-destroyed widget as a label.
    if (event->type() == QEvent::Resize && watched == FEditLabel)
        SetLabelBounds();
    return QLineEdit::eventFilter(watched, event);
}

void TCustomeLabeledFloatSpinEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (FEditLabel)
            FEditLabel->setEnabled(isEnabled());
        break;
    case QEvent::LayoutDirectionChange:
        if (FEditLabel)
            FEditLabel->setLayoutDirection(layoutDirection());
        SetLabelBounds();
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
        setMinimumHeight(MinimumEditHeight());
        UpdateButtonPlacement();
        break;
    default:
        break;
    }
}

void TCustomeLabeledFloatSpinEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // The standard menu offers undo, redo, cut, paste and delete only to an editable
    // box, and its actions carry no names to find them by afterwards; so a box that
    // may not be edited this way is read-only for the moment the menu is built.
    const bool wasReadOnly = isReadOnly();
    if (!CanEditClipboard())
        setReadOnly(true);
    QMenu *menu = createStandardContextMenu();
    setReadOnly(wasReadOnly);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void TCustomeLabeledFloatSpinEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton && !CanEditClipboard()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCustomeLabeledFloatSpinEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!FEditorEnabled) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TCustomeLabeledFloatSpinEdit::dropEvent(QDropEvent *event)
{
    if (!FEditorEnabled) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}
