#include "results/TResultListModel.h"

#include "support/TLanguageTable.h"

#include "platform/TFileStat.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QMimeDatabase>
#include <QStyle>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The well-known shell property keys of these details, so that a layout keeps meaning the
// same columns whichever program wrote it.
constexpr std::array<quint8, 8> StorageFmtidTail{0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC};
constexpr quint32 StorageFmtid1 = 0xB725F130;
constexpr SHCOLUMNID ColumnIds[TResultListModel::rcCount] = {
    SHCOLUMNID::FromGuid(StorageFmtid1, 0x47EF, 0x101A, StorageFmtidTail, 10),                             // name
    SHCOLUMNID::FromGuid(0xE3E0584C, 0xB788, 0x4A5A, {0xBB, 0x20, 0x7F, 0x5A, 0x44, 0xC9, 0xAC, 0xDD}, 6), // folder
    SHCOLUMNID::FromGuid(StorageFmtid1, 0x47EF, 0x101A, StorageFmtidTail, 12),                             // size
    SHCOLUMNID::FromGuid(StorageFmtid1, 0x47EF, 0x101A, StorageFmtidTail, 14),                             // modified
    SHCOLUMNID::FromGuid(StorageFmtid1, 0x47EF, 0x101A, StorageFmtidTail, 4),                              // type
    // The program's own: the figures of the other file of a pair.
    SHCOLUMNID::FromGuid(0x5F0C9A3E, 0x61B2, 0x4C8D, {0x9E, 0x27, 0x3A, 0xD4, 0x18, 0x6B, 0xF0, 0x52}, 1), // other size
    SHCOLUMNID::FromGuid(0x5F0C9A3E, 0x61B2, 0x4C8D, {0x9E, 0x27, 0x3A, 0xD4, 0x18, 0x6B, 0xF0, 0x52}, 2), // other time
    SHCOLUMNID::FromGuid(0x5F0C9A3E, 0x61B2, 0x4C8D, {0x9E, 0x27, 0x3A, 0xD4, 0x18, 0x6B, 0xF0, 0x52}, 3), // difference
};

// New rows are shown at most this often while they stream in.
constexpr int AnnounceIntervalMs = 100;
// Longest slice of detail reading between two events.
constexpr int FetchSliceMs = 4;

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

// The desktop's name for the file's type; the language's "File" or "XYZ file" where the
// desktop has none.
QString TypeTextOf(const QString &path, const TResultListModel::TTextSource &texts)
{
    // One look-up per extension: the names of a big list share few of them. Only the
    // desktop's names are kept: they do not change with the program's language.
    static QHash<QString, QString> cache;
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = dot > 0 ? name.mid(dot + 1) : QString();
    auto it = cache.constFind(suffix);
    if (it == cache.constEnd()) {
        QString comment;
        if (!suffix.isEmpty()) {
            const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            if (!type.isDefault())
                comment = type.comment();
        }
        it = cache.insert(suffix, comment);
    }
    if (!it.value().isEmpty())
        return it.value();
    return suffix.isEmpty() ? texts(tlPlainFileType) : texts(tlSuffixFileType).arg(suffix.toUpper());
}

} // namespace

TResultListModel::TResultListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , FTexts([](int line) {
        static const TLanguageTable english = TLanguageTable::BuiltInEnglish();
        return english.text(line);
    })
{
    FAnnounceTimer.setSingleShot(true);
    FAnnounceTimer.setInterval(AnnounceIntervalMs);
    connect(&FAnnounceTimer, &QTimer::timeout, this, &TResultListModel::Flush);
    FFetchTimer.setSingleShot(true);
    FFetchTimer.setInterval(0);
    connect(&FFetchTimer, &QTimer::timeout, this, &TResultListModel::FetchSlice);
}

SHCOLUMNID TResultListModel::ColumnId(int column)
{
    return ColumnIds[column];
}

int TResultListModel::ColumnOf(const SHCOLUMNID &id)
{
    for (int c = 0; c < rcCount; ++c)
        if (ColumnIds[c] == id)
            return c;
    return -1;
}

TTextLine TResultListModel::ColumnTitleLine(int column)
{
    switch (column) {
    case rcFolder:
        return tlFolderColumn;
    case rcSize:
        return tlSizeColumn;
    case rcModified:
        return tlModifiedColumn;
    case rcType:
        return tlTypeColumn;
    case rcOtherSize:
        return tlOtherSizeColumn;
    case rcOtherModified:
        return tlOtherModifiedColumn;
    case rcDifference:
        return tlDifferenceColumn;
    }
    return tlNameColumn;
}

QString TResultListModel::ColumnTitle(int column) const
{
    return column >= 0 && column < rcCount ? FTexts(ColumnTitleLine(column)) : QString();
}

QString TResultListModel::SizeText(qint64 bytes) const
{
    // Qt's own word for bytes is not translated into every language; the unit names
    // above it (KiB, MiB...) read the same everywhere.
    const QLocale locale;
    if (bytes < 1024)
        return locale.toString(bytes) + u' ' + FTexts(tlBytes);
    return locale.formattedDataSize(bytes);
}

QStringList TResultListModel::WidthSamples(int column) const
{
    const QLocale locale;
    switch (column) {
    case rcName:
        return {u"IMG_20240101_1234.jpg"_s};
    case rcSize:
    case rcOtherSize: {
        QStringList samples{SizeText(1023)};
        for (qint64 unit = 1024; unit <= (qint64(1) << 40); unit *= 1024)
            samples << SizeText(qint64(1023.99 * double(unit)));
        return samples;
    }
    case rcModified:
    case rcOtherModified: {
        const QDateTime widest(QDate(2028, 12, 28), QTime(23, 58, 58));
        return {locale.toString(widest, QLocale::ShortFormat)};
    }
    case rcDifference:
        return {DifferenceText(-86399), DifferenceText(-99 * 3600)};
    case rcType:
        return {FTexts(tlSuffixFileType).arg(u"JPEG"_s), TypeTextOf(u"a.txt"_s, FTexts)};
    }
    return {};
}

void TResultListModel::SetTexts(TTextSource texts)
{
    if (!texts)
        return;
    FTexts = std::move(texts);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, rcCount - 1);
    if (!FRows.isEmpty())
        Q_EMIT dataChanged(index(0, rcType), index(int(FRows.size()) - 1, rcType), {Qt::DisplayRole});
}

QString TResultListModel::DifferenceText(qint64 seconds) const
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    constexpr qint64 hour = 3600;
    const bool hours = seconds != 0 && seconds % hour == 0;
    const qint64 number = hours ? seconds / hour : seconds;
    QString text = locale.toString(number);
    if (number > 0)
        text.prepend(locale.positiveSign());
    return FTexts(hours ? tlHoursUnit : tlSecondsUnit).arg(text);
}

QString TResultListModel::KeyOf(const QString &path)
{
    // "/" itself stays "/": it is never a file, but it must not become the empty key.
    if (path.size() > 1 && path.endsWith(u'/'))
        return path.chopped(1);
    return path;
}

int TResultListModel::PositionOf(const QString &key) const
{
    const auto it = FIndex.constFind(key);
    if (it == FIndex.constEnd())
        return -1;
    if (it.value() < FIndexValidBelow)
        return it.value();
    for (int row = FIndexValidBelow; row < FRows.size(); ++row)
        FIndex[KeyOf(FRows.at(row).Path)] = row;
    FIndexValidBelow = int(FRows.size());
    return FIndex.value(key);
}

bool TResultListModel::Add(const QString &path)
{
    return Append(path, nullptr);
}

bool TResultListModel::Add(const QString &path, const TCounterpart &counterpart)
{
    return Append(path, &counterpart);
}

bool TResultListModel::Add(const QString &path, const TFigures &own, const TCounterpart *counterpart)
{
    return Append(path, counterpart, &own);
}

bool TResultListModel::Append(const QString &path, const TCounterpart *counterpart, const TFigures *own)
{
    if (path.isEmpty())
        return false;
    const int row = int(FRows.size());
    // One hash look-up: the size tells whether the key was new.
    const qsizetype before = FIndex.size();
    int &slot = FIndex[KeyOf(path)];
    if (FIndex.size() == before)
        return false;
    slot = row;
    if (FIndexValidBelow == row)
        FIndexValidBelow = row + 1;
    TRow entry;
    entry.Path = path;
    if (counterpart) {
        entry.HasCounterpart = true;
        entry.Counterpart = *counterpart;
    }
    if (own) {
        entry.Known = true;
        entry.Exists = true;
        entry.Size = own->Size;
        entry.MTime = own->MTimeSec;
        FKnownSize += own->Size;
    }
    FRows.append(std::move(entry));
    if (own && FFetchCursor == row)
        ++FFetchCursor;
    if (!FAnnounceTimer.isActive())
        FAnnounceTimer.start();
    ScheduleFetch();
    return true;
}

bool TResultListModel::Contains(const QString &path) const
{
    return !path.isEmpty() && FIndex.contains(KeyOf(path));
}

std::optional<TResultListModel::TCounterpart> TResultListModel::CounterpartOf(const QString &path) const
{
    const int row = path.isEmpty() ? -1 : PositionOf(KeyOf(path));
    if (row < 0 || !FRows.at(row).HasCounterpart)
        return std::nullopt;
    return FRows.at(row).Counterpart;
}

bool TResultListModel::Remove(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString key = KeyOf(path);
    const int row = PositionOf(key);
    if (row < 0)
        return false;
    Flush();
    beginRemoveRows(QModelIndex(), row, row);
    if (FRows.at(row).Known)
        FKnownSize -= FRows.at(row).Size;
    FRows.remove(row);
    FIndex.remove(key);
    FAnnounced = int(FRows.size());
    FIndexValidBelow = std::min(FIndexValidBelow, row);
    FFetchCursor = std::min(FFetchCursor, row);
    endRemoveRows();
    return true;
}

int TResultListModel::RemoveAll(const QStringList &paths)
{
    Flush();
    QList<bool> doomed(FRows.size(), false);
    int count = 0;
    for (const QString &path : paths) {
        const int row = path.isEmpty() ? -1 : PositionOf(KeyOf(path));
        if (row >= 0 && !doomed[row]) {
            doomed[row] = true;
            ++count;
        }
    }
    if (count == 0)
        return 0;

    // Contiguous runs keep the views' selection and scroll position; many scattered runs
    // would cost a pass over the views' mappings each, so those become one reset.
    QList<std::pair<int, int>> runs;
    for (int row = 0; row < doomed.size(); ++row) {
        if (!doomed[row])
            continue;
        if (!runs.isEmpty() && runs.last().second == row - 1)
            runs.last().second = row;
        else
            runs.append({row, row});
    }
    const bool reset = runs.size() > 16;
    if (reset)
        beginResetModel();

    for (int row = 0; row < FRows.size(); ++row) {
        if (doomed[row]) {
            if (FRows.at(row).Known)
                FKnownSize -= FRows.at(row).Size;
            FIndex.remove(KeyOf(FRows.at(row).Path));
        }
    }
    if (reset) {
        QList<TRow> kept;
        kept.reserve(FRows.size() - count);
        for (int row = 0; row < FRows.size(); ++row)
            if (!doomed[row])
                kept.append(std::move(FRows[row]));
        FRows = std::move(kept);
    } else {
        // From the last run to the first, so that earlier positions stay put.
        for (qsizetype r = runs.size() - 1; r >= 0; --r) {
            const auto [first, last] = runs.at(r);
            beginRemoveRows(QModelIndex(), first, last);
            FRows.remove(first, last - first + 1);
            FAnnounced = int(FRows.size());
            endRemoveRows();
        }
    }
    FAnnounced = int(FRows.size());
    FIndexValidBelow = std::min(FIndexValidBelow, runs.first().first);
    FFetchCursor = std::min(FFetchCursor, runs.first().first);
    if (reset)
        endResetModel();
    return count;
}

void TResultListModel::Clear()
{
    FAnnounceTimer.stop();
    FFetchTimer.stop();
    beginResetModel();
    FRows.clear();
    FRows.squeeze();
    FIndex.clear();
    FIndex.squeeze();
    FIndexValidBelow = 0;
    FAnnounced = 0;
    FKnownSize = 0;
    FFetchCursor = 0;
    endResetModel();
}

void TResultListModel::RefreshDetails()
{
    Flush();
    for (TRow &row : FRows)
        row.Known = false;
    FKnownSize = 0;
    FFetchCursor = 0;
    if (!FRows.isEmpty()) {
        Q_EMIT dataChanged(index(0, 0), index(int(FRows.size()) - 1, rcCount - 1));
        ScheduleFetch();
    }
}

int TResultListModel::RefreshPaths(const QStringList &paths)
{
    Flush();
    int refreshed = 0;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const int row = PositionOf(KeyOf(path));
        if (row < 0)
            continue;
        TRow &entry = FRows[row];
        if (entry.Known) {
            FKnownSize -= entry.Size;
            entry.Known = false;
            FetchDetails(row);
        }
        Q_EMIT dataChanged(index(row, 0), index(row, rcCount - 1));
        ++refreshed;
    }
    return refreshed;
}

qint64 TResultListModel::TotalSize()
{
    FetchAllDetails();
    return FKnownSize;
}

qint64 TResultListModel::SizeAt(int row)
{
    FetchDetails(row);
    return FRows.at(row).Size;
}

bool TResultListModel::LessThan(int left, int right, int column)
{
    const QString &a = FRows.at(left).Path;
    const QString &b = FRows.at(right).Path;
    int order = 0;
    switch (column) {
    case rcSize:
    case rcModified: {
        FetchDetails(left);
        FetchDetails(right);
        const qint64 x = column == rcSize ? FRows.at(left).Size : FRows.at(left).MTime;
        const qint64 y = column == rcSize ? FRows.at(right).Size : FRows.at(right).MTime;
        order = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    case rcName:
        order = QStringView(a)
                    .mid(a.lastIndexOf(u'/') + 1)
                    .compare(QStringView(b).mid(b.lastIndexOf(u'/') + 1), Qt::CaseInsensitive);
        break;
    case rcFolder:
        order = QStringView(a)
                    .left(a.lastIndexOf(u'/') + 1)
                    .compare(QStringView(b).left(b.lastIndexOf(u'/') + 1), Qt::CaseInsensitive);
        break;
    case rcType:
        order = TypeTextOf(a, FTexts).compare(TypeTextOf(b, FTexts), Qt::CaseInsensitive);
        break;
    case rcOtherSize:
    case rcOtherModified:
    case rcDifference: {
        // Rows without a counterpart come first, as empty cells do.
        const TRow &l = FRows.at(left);
        const TRow &r = FRows.at(right);
        if (l.HasCounterpart != r.HasCounterpart) {
            order = l.HasCounterpart ? 1 : -1;
            break;
        }
        const auto value = [column](const TRow &row) {
            return column == rcOtherSize       ? row.Counterpart.Size
                   : column == rcOtherModified ? row.Counterpart.MTimeSec
                                               : row.Counterpart.Difference;
        };
        const qint64 x = value(l);
        const qint64 y = value(r);
        order = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    }
    if (order == 0)
        order = a.compare(b);
    return order < 0;
}

void TResultListModel::Flush()
{
    FAnnounceTimer.stop();
    if (FAnnounced == FRows.size())
        return;
    beginInsertRows(QModelIndex(), FAnnounced, int(FRows.size()) - 1);
    FAnnounced = int(FRows.size());
    endInsertRows();
}

void TResultListModel::FetchDetails(int row)
{
    TRow &entry = FRows[row];
    if (entry.Known)
        return;
    const TFileStat st = TFileStat::Of(QFile::encodeName(entry.Path));
    entry.Known = true;
    entry.Exists = st.Exists;
    entry.Size = st.Exists ? st.Size : 0;
    entry.MTime = st.MTimeSec;
    FKnownSize += entry.Size;
}

void TResultListModel::FetchAllDetails()
{
    for (; FFetchCursor < FRows.size(); ++FFetchCursor)
        FetchDetails(FFetchCursor);
    FFetchTimer.stop();
}

void TResultListModel::FetchSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (FFetchCursor < FRows.size()) {
        FetchDetails(FFetchCursor++);
        if ((FFetchCursor & 63) == 0 && clock.elapsed() >= FetchSliceMs)
            break;
    }
    ScheduleFetch();
}

void TResultListModel::ScheduleFetch()
{
    if (FFetchCursor < FRows.size() && !FFetchTimer.isActive())
        FFetchTimer.start();
}

int TResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FAnnounced;
}

int TResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rcCount;
}

QVariant TResultListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const int row = index.row();
    if (role == PathRole)
        return FRows.at(row).Path;
    if (role != Qt::DisplayRole && role != SortRole && role != Qt::DecorationRole && role != Qt::TextAlignmentRole
        && role != Qt::ToolTipRole)
        return QVariant();

    const QString &path = FRows.at(row).Path;
    const int column = index.column();
    if (role == Qt::ToolTipRole)
        return column == rcName || column == rcFolder ? QVariant(path) : QVariant();
    if (role == Qt::DecorationRole) {
        if (column != rcName)
            return QVariant();
        static const QIcon fileIcon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
        return fileIcon;
    }
    if (role == Qt::TextAlignmentRole)
        return column == rcSize || column == rcOtherSize || column == rcDifference
                   ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                   : QVariant();
    if (IsCounterpartColumn(column)) {
        const TRow &entry = FRows.at(row);
        if (!entry.HasCounterpart)
            return QVariant();
        const TCounterpart &other = entry.Counterpart;
        switch (column) {
        case rcOtherSize:
            return role == SortRole ? QVariant(other.Size) : QVariant(SizeText(other.Size));
        case rcOtherModified:
            return role == SortRole ? QVariant(other.MTimeSec)
                                    : QVariant(QLocale().toString(QDateTime::fromSecsSinceEpoch(other.MTimeSec),
                                                                  QLocale::ShortFormat));
        default:
            return role == SortRole ? QVariant(other.Difference) : QVariant(DifferenceText(other.Difference));
        }
    }

    // Details are read for the rows somebody looks at, if the background slices have
    // not reached them yet.
    if (column == rcSize || column == rcModified)
        const_cast<TResultListModel *>(this)->FetchDetails(row);
    const TRow &entry = FRows.at(row);
    switch (column) {
    case rcName:
        return FileNameOf(path);
    case rcFolder:
        return FolderOf(path);
    case rcSize:
        if (role == SortRole)
            return entry.Size;
        return entry.Exists ? SizeText(entry.Size) : QString();
    case rcModified:
        if (role == SortRole)
            return entry.MTime;
        return entry.Exists ? QLocale().toString(QDateTime::fromSecsSinceEpoch(entry.MTime), QLocale::ShortFormat)
                            : QString();
    case rcType:
        return TypeTextOf(path, FTexts);
    }
    return QVariant();
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= rcCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return ColumnTitle(section);
    if (role == Qt::TextAlignmentRole && (section == rcSize || section == rcOtherSize || section == rcDifference))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}
