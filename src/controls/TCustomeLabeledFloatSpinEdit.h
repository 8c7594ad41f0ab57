#pragma once

#include "controls/TBoundLabel.h"

#include <QLineEdit>
#include <QPointer>

class TSpinButton;

// A text box for a floating-point number, with an up/down button inside its right
// edge and a caption label attached at one of its sides.
//
// The text is the value: Value() parses it in the user's number format each time,
// SetValue() rounds to DecimalPlaces, clamps to [MinValue, MaxValue] (no limit when the
// two are equal) and writes it back. Typing is filtered to what can make a number;
// rounding and limits are applied to typed text only when the focus leaves, so that a
// half-typed number is never rewritten under the user's cursor.
//
// The label is a sibling, not a child: it lives in the edit's parent, follows the edit
// there, and copies its enabled state, visibility and direction. If someone else
// deletes the label, the edit carries on without one.
class TCustomeLabeledFloatSpinEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TCustomeLabeledFloatSpinEdit(QWidget *parent = nullptr);
    ~TCustomeLabeledFloatSpinEdit() override;

    // The text in the user's number format; MinValue when it is not a number.
    double Value() const;
    // Rounds and limits the value (CheckValue), then shows it with up to 15 digits.
    void SetValue(double value);

    // The value rounded to DecimalPlaces, half to even, then limited to
    // [MinValue, MaxValue] unless the two are equal.
    double CheckValue(double value) const;

    int DecimalPlaces() const { return FDecimalPlaces; }
    // Takes effect at the next SetValue; the text shown is not reformatted.
    void SetDecimalPlaces(int places);
    double Increment() const { return FIncrement; }
    void SetIncrement(double increment) { FIncrement = increment; }
    double MinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }

    // When false the text changes only through the spin button and the arrow keys.
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool enabled) { FEditorEnabled = enabled; }
    // Select the whole text when the focus arrives other than by a left click.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool autoSelect) { FAutoSelect = autoSelect; }

    TSpinButton *Button() const { return FButton; }
    // Null once the label has been deleted from elsewhere.
    TBoundLabel *EditLabel() const { return FEditLabel; }
    TLabelPosition LabelPosition() const { return FLabelPosition; }
    void SetLabelPosition(TLabelPosition position);
    int LabelSpacing() const { return FLabelSpacing; }
    void SetLabelSpacing(int spacing);

    // The least height that shows the font with room above and below.
    int MinimumEditHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void setVisible(bool visible) override;

public Q_SLOTS:
    // One Increment up or down; a read-only box only beeps.
    void UpClick();
    void DownClick();

protected:
    // The platform's default beep; refused keys and read-only steps sound it.
    virtual void Beep();

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static QString PointAsDecimal(const QString &text);
    bool IsValidChar(QChar c) const;
    bool CanEditClipboard() const { return FEditorEnabled && !isReadOnly(); }
    void UpdateButtonPlacement();
    void SetLabelBounds();
    void FollowParent();

    QPointer<TBoundLabel> FEditLabel;
    TLabelPosition FLabelPosition = lpAbove;
    int FLabelSpacing = 3;
    double FMinValue = 0;
    double FMaxValue = 0;
    double FIncrement = 1.0;
    int FDecimalPlaces = 0;
    TSpinButton *FButton;
    bool FEditorEnabled = true;
    bool FAutoSelect = true;
};
