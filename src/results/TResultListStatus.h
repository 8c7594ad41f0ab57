#pragma once

#include "engine/TFinding.h"
#include "support/TTextLine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class TJamFileList;

// The status text and action buttons under each of the eight result lists.
//
// Totals are sums over every row, so they are never computed while rows stream in: a
// change only flags its list and restarts Timer1, and once no list has changed for 250 ms
// every flagged list gets its text and captions once, in list order.
class TResultListStatus : public QObject
{
    Q_OBJECT

public:
    static constexpr int ListCount = ResultListCount;
    static constexpr int RefreshDelayMs = 250;
    using TTextSource = std::function<QString(int line)>;

    // What stands under one list; either button may be missing.
    struct TListControls
    {
        TJamFileList *List = nullptr;
        QLabel *Status = nullptr;
        QPushButton *CopyButton = nullptr;
        QPushButton *DeleteButton = nullptr;
    };

    explicit TResultListStatus(TTextSource texts, QObject *parent = nullptr);

    // list counts from 1.
    void SetControls(int list, const TListControls &controls);
    const TListControls &Controls(int list) const { return FControls.at(list - 1); }

    // A list changed: flag it; the timer fires 250 ms after the last change.
    void ListChanged(int list);
    // Every list is due, as after a change of language.
    void RefreshAll();
    void Timer1Timer();
    void RefreshListStatus(int list);

    // Each "%.0n" of the line, in order, becomes the next number as a whole number with the
    // locale's group separators.
    static QString FormatCounts(const QString &line, qint64 first, qint64 second);
    // The line of the copy or update button's "selected" caption of a list; "all" and the
    // plain caption follow it. 0 for a list without such a button.
    static int CopyCaptionLine(int list);
    static constexpr int DeleteCaptionLine = tlDeleteSelected;

    std::array<bool, ListCount> UpdtList{};
    QTimer *Timer1;

Q_SIGNALS:
    // After a list's text and buttons were set.
    void ListStatusRefreshed(int list);

private:
    void Timer1Fired();

    TTextSource FTexts;
    // Rows arrive thousands a second; rather than re-arm the timer for each, the timer
    // checks when it fires whether a change came since and waits out the rest.
    QElapsedTimer FSinceChange;
    std::array<TListControls, ListCount> FControls{};
};
