#include "support/ProgramStore.h"

#include "support/TLanguageTable.h"
#include "support/TmxStorage.h"

#include <QDir>

#include <cstddef>

using namespace Qt::StringLiterals;

// Generated at build time by the packer in tools/.
extern const unsigned char FmMxStoredForm[];
extern const std::size_t FmMxStoredFormSize;

QByteArray ProgramStoredForm()
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(FmMxStoredForm),
                                   static_cast<qsizetype>(FmMxStoredFormSize));
}

void LoadProgramStore(TmxStorage &mx)
{
    mx.ReadStoredForm(ProgramStoredForm());
}

QString ReadProductText(TmxStorage &mx, int N)
{
    TmxStoredItem *item = mx.ItemByName(u"mx2"_s);
    if (!item)
        return {};
    return TLanguageTable::FromStream(*item->AsStream()).text(N);
}

QUrl ProductTextUrl(const QString &Text, const QString &ProgramFolder)
{
    const QUrl url(Text, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(QDir(ProgramFolder).absoluteFilePath(Text));
}
