#include "results/TResultListStatus.h"

#include "results/TJamFileList.h"
#include "results/TResultListTable.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <cmath>

using namespace Qt::StringLiterals;

TResultListStatus::TResultListStatus(TTextSource texts, QObject *parent)
    : QObject(parent)
    , Timer1(new QTimer(this))
    , FTexts(std::move(texts))
{
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setSingleShot(true);
    Timer1->setInterval(RefreshDelayMs);
    connect(Timer1, &QTimer::timeout, this, &TResultListStatus::Timer1Fired);
}

void TResultListStatus::SetControls(int list, const TListControls &controls)
{
    FControls.at(list - 1) = controls;
}

void TResultListStatus::ListChanged(int list)
{
    UpdtList.at(list - 1) = true;
    FSinceChange.start();
    if (!Timer1->isActive())
        Timer1->start(RefreshDelayMs);
}

void TResultListStatus::RefreshAll()
{
    UpdtList.fill(true);
    FSinceChange.start();
    if (!Timer1->isActive())
        Timer1->start(RefreshDelayMs);
}

void TResultListStatus::Timer1Fired()
{
    const qint64 rest = RefreshDelayMs - FSinceChange.elapsed();
    if (rest > 0) {
        Timer1->start(int(rest));
        return;
    }
    Timer1Timer();
}

void TResultListStatus::Timer1Timer()
{
    Timer1->stop();
    for (int list = 1; list <= ListCount; ++list) {
        if (UpdtList[list - 1]) {
            UpdtList[list - 1] = false;
            RefreshListStatus(list);
        }
    }
}

int TResultListStatus::CopyCaptionLine(int list)
{
    const TResultListRow &row = ResultListRow(list);
    return row.CopyButton ? int(row.CopyCaptionLine) : 0;
}

QString TResultListStatus::FormatCounts(const QString &line, qint64 first, qint64 second)
{
    static const QString placeholder = u"%.0n"_s;
    // The user's locale, with its group separator even where the locale would leave it out.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const qint64 numbers[2] = {first, second};
    QString out;
    out.reserve(line.size() + 16);
    qsizetype from = 0;
    int used = 0;
    for (;;) {
        const qsizetype at = line.indexOf(placeholder, from);
        if (at < 0 || used == 2)
            break;
        out += QStringView(line).mid(from, at - from);
        out += locale.toString(qint64(std::llround(double(numbers[used++]))));
        from = at + placeholder.size();
    }
    out += QStringView(line).mid(from);
    return out;
}

void TResultListStatus::RefreshListStatus(int list)
{
    const TListControls &c = FControls.at(list - 1);
    if (!c.List)
        return;
    const int copyLine = CopyCaptionLine(list);
    // 0: "selected" caption, 1: "all", 2: plain.
    int captionStep = 2;
    QString status;
    const qint32 selected = c.List->SelectedFileCount();
    if (selected > 0) {
        status = u" "_s + FormatCounts(FTexts(tlSelectedCount), selected, c.List->SelectedFileSize());
        captionStep = 0;
    } else if (const qint32 total = c.List->TotalFileCount(); total > 0) {
        status = u" "_s + FormatCounts(FTexts(tlFileCount), total, c.List->TotalFileSize());
        captionStep = 1;
    }
    if (c.Status)
        c.Status->setText(status);
    const bool enabled = captionStep != 2;
    // A new caption would drop the button's key (a caption without "&" sets none): the key
    // stays whatever the caption says.
    const auto setCaption = [](QPushButton *button, const QString &caption) {
        const QKeySequence key = button->shortcut();
        button->setText(caption);
        button->setShortcut(key);
    };
    if (c.CopyButton && copyLine > 0) {
        setCaption(c.CopyButton, FTexts(copyLine + captionStep));
        c.CopyButton->setEnabled(enabled);
    }
    if (c.DeleteButton) {
        setCaption(c.DeleteButton, FTexts(DeleteCaptionLine + captionStep));
        c.DeleteButton->setEnabled(enabled);
    }
    Q_EMIT ListStatusRefreshed(list);
}
