#pragma once

#include <QString>
#include <QWidget>

// One text panel of a status bar. A scan shows a new status text for every file it
// looks at, tens of thousands a second; setting it only stores the text and asks for a
// repaint, which the window coalesces, so the scan never waits on text layout. A text
// wider than the panel is cut in the middle, where long paths are least telling.
class TStatusPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TStatusPanel(QWidget *parent = nullptr);

    QString text() const { return FText; }
    void setText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString FText;
};
