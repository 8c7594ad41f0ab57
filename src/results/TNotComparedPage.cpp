#include "results/TNotComparedPage.h"

#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TNotComparedPage::TNotComparedPage(QWidget *parent)
    : QWidget(parent)
    , FList(new QTreeWidget(this))
    , FStatusBar(new QStatusBar(this))
    , FStatus(new QLabel(FStatusBar))
    , FCountText(u"%1"_s)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FList->setObjectName(u"NotComparedList"_s);
    FList->setColumnCount(2);
    FList->setRootIsDecorated(false);
    FList->setUniformRowHeights(true);
    FList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FList->setTextElideMode(Qt::ElideMiddle);
    FList->header()->setStretchLastSection(true);
    FList->header()->resizeSection(0, 640);
    layout->addWidget(FList, 1);
    FStatusBar->setObjectName(u"NotComparedStatus"_s);
    FStatusBar->setSizeGripEnabled(false);
    FStatus->setMinimumWidth(1);
    FStatusBar->addWidget(FStatus, 1);
    layout->addWidget(FStatusBar);
    FCountDue.setSingleShot(true);
    FCountDue.setInterval(100);
    connect(&FCountDue, &QTimer::timeout, this, &TNotComparedPage::ShowCount);
    ShowCount();
}

void TNotComparedPage::Clear()
{
    FList->clear();
    FCountDue.stop();
    ShowCount();
}

void TNotComparedPage::Add(const QString &path, const QString &reason)
{
    auto *item = new QTreeWidgetItem(FList, {path, reason});
    item->setToolTip(0, path);
    if (!FCountDue.isActive())
        FCountDue.start();
}

int TNotComparedPage::Count() const
{
    return FList->topLevelItemCount();
}

QString TNotComparedPage::Path(int row) const
{
    return FList->topLevelItem(row)->text(0);
}

QString TNotComparedPage::Reason(int row) const
{
    return FList->topLevelItem(row)->text(1);
}

QString TNotComparedPage::StatusText() const
{
    return FStatus->text();
}

void TNotComparedPage::SetTexts(const QString &pathHeading, const QString &reasonHeading, const QString &countText)
{
    FList->setHeaderLabels({pathHeading, reasonHeading});
    FCountText = countText;
    ShowCount();
}

void TNotComparedPage::ShowCount()
{
    FCountDue.stop();
    FStatus->setText(u" "_s + FCountText.arg(Count()));
}
