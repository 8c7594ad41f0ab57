#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QStatusBar;
class QTreeWidget;

// The page of entries a run left out: one list of path and reason, in the order they
// were met, and a status line with their count. Rows arrive one by one during a run;
// the count is shown a moment later, once per burst.
class TNotComparedPage : public QWidget
{
    Q_OBJECT

public:
    explicit TNotComparedPage(QWidget *parent = nullptr);

    void Clear();
    void Add(const QString &path, const QString &reason);
    int Count() const;
    // The path of row N and its reason, for tests.
    QString Path(int row) const;
    QString Reason(int row) const;
    QString StatusText() const;

    // The column headings and the count text ("%1" is the count).
    void SetTexts(const QString &pathHeading, const QString &reasonHeading, const QString &countText);

    // Shows the count now, as at the end of a run.
    void ShowCount();

private:
    QTreeWidget *FList;
    QStatusBar *FStatusBar;
    QLabel *FStatus;
    QString FCountText;
    QTimer FCountDue;
};
