#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

// One text panel of a status bar. A scan shows a new status text for every file it
// looks at, tens of thousands a second, and waits while each is set; so setting the text
// only stores it, and the panel repaints at most every RepaintMs with the latest text: a
// person cannot read faster, and a repaint per file would cost more than the scan. A text
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
    static constexpr int RepaintMs = 40;

    QString FText;
    QTimer FRepaint;
};
