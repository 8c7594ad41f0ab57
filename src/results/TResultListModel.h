#pragma once

#include "results/SHCOLUMNID.h"
#include "support/TTextLine.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// The rows of one result list: one file per row, known by its full path.
//
// A scan hands over one row every few microseconds, and every hand-over keeps the scan
// waiting, so Add only appends the path and enters it in the path index. Everything else
// is deferred:
// - the new rows are announced to the views in batches (a short timer, or at once when
//   anybody asks about rows by index), so a view never lays itself out per row;
// - the file details (size, time) are read once per row, on the window's thread, in
//   small slices between events, or on demand for a row that is painted or summed;
//   a row added with the figures the scan saw needs no reading.
// The totals are running sums over the rows whose details are known; asking for them
// first reads whatever details are still missing.
//
// Rows are matched by their path exactly (file names are case-sensitive here); a
// trailing "/" is ignored. The index holds row positions that are valid below a
// watermark: removing a row only lowers the watermark, and positions above it are
// recomputed in one pass when one of them is needed.
class TResultListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The counterpart's size and time and the time difference are figures of the scan that
    // found the row: a list of pairs shows them when the user asks for them.
    enum TColumn { rcName, rcFolder, rcSize, rcModified, rcType, rcOtherSize, rcOtherModified, rcDifference, rcCount };
    // The columns a list shows until the user picks others.
    static constexpr int DefaultColumnCount = rcOtherSize;
    static bool IsCounterpartColumn(int column) { return column >= rcOtherSize && column < rcCount; }
    // The raw value a column sorts on: text, or a number for size and time.
    static constexpr int SortRole = Qt::UserRole + 1;
    // The row's full path, whatever the column.
    static constexpr int PathRole = Qt::UserRole + 2;

    explicit TResultListModel(QObject *parent = nullptr);

    static SHCOLUMNID ColumnId(int column);
    // The column offering that identifier, or -1.
    static int ColumnOf(const SHCOLUMNID &id);
    // The column's title line, and its title in the language in use.
    static TTextLine ColumnTitleLine(int column);
    QString ColumnTitle(int column) const;

    // A line of the language in use, for the titles and the file types; the built-in
    // English texts until one is set. Setting it retitles the columns at once.
    using TTextSource = std::function<QString(int line)>;
    void SetTexts(TTextSource texts);
    // Texts as wide as the column's usual content at its widest (a size of four digits
    // and two decimals, a date with two-digit fields), in the locale and language in use;
    // none for a column that takes what room is left.
    QStringList WidthSamples(int column) const;
    // A file's size as the size column shows it.
    QString SizeText(qint64 bytes) const;

    // What a row of a pair knows of the other file, as the comparison saw it.
    struct TCounterpart
    {
        qint64 Size = 0;
        qint64 MTimeSec = 0;
        // Seconds by which the row's file is newer, after the time adjustments.
        qint64 Difference = 0;
    };
    // "+1 h" for whole hours, "+3,601 s" otherwise, with the locale's group separators.
    QString DifferenceText(qint64 seconds) const;

    // False when the path is empty or already listed.
    bool Add(const QString &path);
    // The same with the counterpart's figures for the counterpart columns.
    bool Add(const QString &path, const TCounterpart &counterpart);
    // The file's own size and time as a scan just saw them.
    struct TFigures
    {
        qint64 Size = 0;
        qint64 MTimeSec = 0;
    };
    // A row a scan found: its details are the given figures, not read again; counterpart
    // may be nullptr.
    bool Add(const QString &path, const TFigures &own, const TCounterpart *counterpart);
    bool Contains(const QString &path) const;
    // The counterpart's figures of a listed file, as the scan saw them; none when the file
    // is not listed or its row has no counterpart.
    std::optional<TCounterpart> CounterpartOf(const QString &path) const;
    // Whether a row was removed.
    bool Remove(const QString &path);
    // Removes every listed path of the list in one pass; returns how many rows went.
    int RemoveAll(const QStringList &paths);
    void Clear();
    // Forgets every row's details and reads them anew.
    void RefreshDetails();
    // Reads the details of the listed paths anew, as after their files were written;
    // returns how many of them are rows of this list.
    int RefreshPaths(const QStringList &paths);

    // Every row, announced or not.
    int TotalRows() const { return int(FRows.size()); }
    qint64 TotalSize();
    QString PathAt(int row) const { return FRows.at(row).Path; }
    qint64 SizeAt(int row);
    // Sort order of two rows by one column: numbers for size and time, text without regard
    // to case otherwise; ties fall back to the full path.
    bool LessThan(int left, int right, int column);
    // Announces rows that were added but not yet shown.
    void Flush();
    // Reads every missing detail now.
    void FetchAllDetails();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct TRow
    {
        QString Path;
        qint64 Size = 0;
        qint64 MTime = 0; // whole UTC seconds
        bool Known = false;
        bool Exists = false;
        bool HasCounterpart = false;
        TCounterpart Counterpart;
    };
    bool Append(const QString &path, const TCounterpart *counterpart, const TFigures *own = nullptr);

    static QString KeyOf(const QString &path);
    int PositionOf(const QString &key) const;
    void FetchDetails(int row);
    void FetchSlice();
    void ScheduleFetch();

    QList<TRow> FRows;
    // Key -> position; positions below FIndexValidBelow are exact.
    mutable QHash<QString, int> FIndex;
    mutable int FIndexValidBelow = 0;
    int FAnnounced = 0;
    qint64 FKnownSize = 0;
    int FFetchCursor = 0;
    TTextSource FTexts;
    QTimer FAnnounceTimer;
    QTimer FFetchTimer;
};
