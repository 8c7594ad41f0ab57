#include "results/TColumnLayout.h"

#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"
#include "results/SHCOLUMNID.h"
#include "results/TJamFileList.h"

#include <QByteArray>

using namespace Qt::StringLiterals;

QString TColumnLayout::StoredName(int list)
{
    return u"fl"_s + QString::number(list);
}

void TColumnLayout::ListCreateColumns(int list, TJamFileList &fileList)
{
    bool &pending = ColumnsRestorePending.at(list - 1);
    if (!pending)
        return;
    pending = false;
    RestoreColumns(fileList, StoredName(list));
}

void TColumnLayout::EnsureRestored(int list, TJamFileList &fileList)
{
    ListCreateColumns(list, fileList);
}

void TColumnLayout::RestoreColumns(TJamFileList &list, const QString &name)
{
    const qint32 n = ReadInteger(u"Columns\\NumberOfColumns_"_s + name, 0);
    if (n <= 0)
        return;

    // A count that no layout of ours can have comes from a damaged store: keep the defaults
    // rather than allocate for it.
    constexpr qint32 MostColumns = 1024;
    if (n > MostColumns)
        return;
    QByteArray block(n * SHCOLUMNID::StoredSize, '\0');
    try {
        ReadBinary(u"Columns\\Columns_"_s + name, block.data(), int(block.size()));
    } catch (const ERegistryError &) {
        // Longer than the count says, or not binary at all.
        return;
    }
    // A shorter block leaves zero records, which no column answers to.
    const QList<SHCOLUMNID> ids = SHCOLUMNID::FromByteArray(block);

    for (const SHCOLUMNID &id : list.GetVisibleColumns())
        list.SetColumnVisibility(id, false);
    // Shown from the last to the first, each put in front, so the stored order comes back.
    for (qsizetype i = ids.size() - 1; i >= 0; --i) {
        list.SetColumnVisibility(ids.at(i), true);
        list.MoveColumnTo(ids.at(i), 0);
    }
    for (qsizetype i = ids.size() - 1; i >= 0; --i) {
        const int p = list.GetColumnPosition(ids.at(i));
        if (p >= 0)
            list.SetColumnWidthAt(
                p, ReadInteger(u"Columns\\ColWidth_"_s + name + u'_' + QString::number(p), list.ColumnWidthAt(p)));
    }
}

void TColumnLayout::SaveColumns(TJamFileList &list, const QString &name)
{
    list.Clear();
    list.FullRefresh();
    const QList<SHCOLUMNID> a = list.GetVisibleColumns();
    const qsizetype n = a.size();
    if (n == 0)
        return;
    const QByteArray block = SHCOLUMNID::ToBytes(a);
    WriteBinary(u"Columns\\Columns_"_s + name, block.constData(), int(block.size()));
    WriteInteger(u"Columns\\NumberOfColumns_"_s + name, qint32(n));
    for (const SHCOLUMNID &id : a) {
        const int p = list.GetColumnPosition(id);
        if (p >= 0)
            WriteInteger(u"Columns\\ColWidth_"_s + name + u'_' + QString::number(p), list.ColumnWidthAt(p));
    }
}
