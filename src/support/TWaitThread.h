#pragma once

#include "platform/TInotifyWatch.h"
#include "support/TWatchFilter.h"

#include <QHash>
#include <QString>
#include <QThread>

#include <memory>
#include <vector>

class TDirMon;

// One change as the monitor reports it, named relative to the watched folder.
struct TDirMonRecord
{
    enum TAction { faAdded = 1, faRemoved, faModified, faRenamedOldName, faRenamedNewName };
    TAction Action = faModified;
    QString Name;
    quint32 Cookie = 0; // pairs the two halves of a rename
};

// The records of one read, handed to the window's thread. The wait thread waits
// until Done before it reads again; Abandoned tells the window's thread to fire
// nothing more of it because the monitor stopped meanwhile.
struct TDirMonBatch
{
    std::vector<TDirMonRecord> Records;
    bool Done = false;
    bool Abandoned = false;
};

// The thread of one watching period of a TDirMon: it blocks on the inotify
// descriptor, turns each read into a batch and hands the batch to the monitor on
// the window's thread, synchronously. It ends on the monitor's stop request, when
// the watched folder goes away, or when the descriptor fails; it never spins.
class TWaitThread : public QThread
{
    Q_OBJECT

public:
    TWaitThread(TDirMon *Parent, TInotifyWatch &Watch, const QString &Root, int RootWd, TWatchFilters Filters,
                bool WatchSubtree, quint32 KernelMask);

    TDirMon *Parent() const { return FParent; }
    // Adds watches below the root; called before the thread starts.
    void WatchSubfolders() { AddTree(QString()); }

protected:
    void run() override;

private:
    friend class TDirMon;

    std::shared_ptr<TDirMonBatch> Translate(const std::vector<TInotifyWatch::TEvent> &Events, bool &RootGone);
    void AddTree(const QString &Relative);
    void RemoveTree(const QString &Relative);

    TDirMon *FParent;
    TInotifyWatch &FWatch;
    const QString FRoot;
    const int FRootWd;
    const TWatchFilters FFilters;
    const bool FWatchSubtree;
    const quint32 FKernelMask;
    QHash<int, QString> FFolders; // watch descriptor -> folder relative to the root, "" or "sub/"

    // The old name of a rename whose new name has not come yet. Read and written
    // only while a batch is processed on the window's thread.
    QString FRenamedFrom;
    quint32 FRenamedCookie = 0;
    bool FRenamePending = false;
};
