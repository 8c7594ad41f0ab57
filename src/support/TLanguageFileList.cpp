#include "support/TLanguageFileList.h"

#include "platform/TAsciiCase.h"
#include "platform/TDirListing.h"
#include "platform/TNativeName.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString TLanguageFileList::LanguageFolder(const QString &ProgramFolder)
{
    QString folder = ProgramFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + u"Lang/"_s;
}

QString TLanguageFileList::LanguageFolder()
{
    return LanguageFolder(QCoreApplication::applicationDirPath());
}

QStringList TLanguageFileList::Find(const QString &Folder)
{
    QString folder = Folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QStringList paths;
    TDirListing listing(TNativeName::Encode(folder));
    size_t length = 0;
    while (const char *entry = listing.Next(&length)) {
        QString name;
        // A name that does not survive decoding could not be opened by its path.
        if (!TNativeName::Decode(entry, static_cast<qsizetype>(length), &name))
            continue;
        if (name.size() < 4 || !TAsciiCase::Same(QStringView(name).last(4), u".txt"))
            continue;
        if (!listing.Stat(entry).IsRegular)
            continue;
        paths.append(folder + name);
    }
    return paths;
}

QString TLanguageFileList::DisplayName(const QString &Path)
{
    const QString name = Path.mid(Path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QStringList TLanguageFileList::DisplayNames(const QStringList &Paths)
{
    QStringList names;
    names.reserve(Paths.size());
    for (const QString &path : Paths)
        names.append(DisplayName(path));
    return names;
}

int TLanguageFileList::IndexOfLanguage(const QStringList &DisplayNames, const QString &Name)
{
    int index = -1;
    for (int i = 0; i < DisplayNames.size(); ++i) {
        if (TAsciiCase::Same(DisplayNames.at(i), Name))
            index = i;
    }
    return index;
}
