#pragma once

#include <QLabel>

// Where a bound label sits beside its edit.
enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The caption label of an edit. It lives beside the edit (as a child of the edit's
// parent), not inside it, and sizes itself to its text so that the edit can place it
// by its own width and height; the edit moves it whenever it resizes.
class TBoundLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TBoundLabel(QWidget *parent = nullptr);

    // Sets the caption and takes the size the new text needs. QLabel::setText is not
    // virtual, so a caller holding a TBoundLabel gets this one.
    void setText(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
};
