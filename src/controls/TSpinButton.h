#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

// An up/down button pair, the upper half stepping up and the lower half down. Holding
// a half repeats its step. The button never takes the focus itself: a press hands it
// to the focus control, the edit the button belongs to.
class TSpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit TSpinButton(QWidget *parent = nullptr);

    void SetFocusControl(QWidget *control) { FFocusControl = control; }
    QWidget *FocusControl() const { return FFocusControl; }

    QToolButton *UpButton() const { return FUpButton; }
    QToolButton *DownButton() const { return FDownButton; }

Q_SIGNALS:
    void UpClick();
    void DownClick();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void TakeFocus();

    QToolButton *FUpButton;
    QToolButton *FDownButton;
    QPointer<QWidget> FFocusControl;
};
