#include "registry/RegistryUtils.h"
#include "window/TApplication.h"
#include "window/TStartArguments.h"
#include "window/TfrmMain.h"

#include "pairview/TPairView.h"
#include "platform/TSettingsHive.h"
#include "support/DefaultLanguageName.h"
#include "support/ProgramStore.h"
#include "support/TLanguageTable.h"
#include "support/TmxStorage.h"
#include "window/TLanguageAndHelp.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QStringList Arguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

} // namespace

// foldermate [--scan] [SOURCE [DESTINATION]], or --help, --version (TStartArguments).
int main(int argc, char *argv[])
{
    // Help and version are answered before the window system is asked for anything, so
    // that they work without a display.
    const TStartArguments early = TStartArguments::Parse(Arguments(argc, argv), QDir::currentPath());
    if (early.Action == TStartArguments::saHelp) {
        std::fputs(TStartArguments::Usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.Action == TStartArguments::saVersion) {
        std::printf("foldermate %s\n", FM_VERSION);
        return 0;
    }
    // A wrong command line is refused before a display is needed for it.
    if (early.Action == TStartArguments::saError) {
        std::fprintf(stderr, "foldermate: %s\nTry 'foldermate --help'.\n", early.Message.toLocal8Bit().constData());
        return 2;
    }

    TApplication app(argc, argv);
    TApplication::setApplicationName(u"foldermate"_s);
    TApplication::setApplicationVersion(QStringLiteral(FM_VERSION));
    // Desktops find the program's entry, its name and its icon by this name.
    TApplication::setDesktopFileName(u"org.foldermate.Foldermate"_s);
    TApplication::setWindowIcon(TfrmMain::ProgramIcon());
    // Again without the window system's own options, which the application took out.
    const TStartArguments start = TStartArguments::Parse(QCoreApplication::arguments().mid(1), QDir::currentPath());
    if (start.Action == TStartArguments::saError) {
        std::fprintf(stderr, "foldermate: %s\nTry 'foldermate --help'.\n", start.Message.toLocal8Bit().constData());
        return 2;
    }

    OpenSettingsHive(TSettingsHive::DefaultFilePath());
    int result = 0;
    if (start.Action == TStartArguments::saComparePair) {
        // Only the view of the two files, in the language the window would use; the
        // program ends when it is closed.
        TmxStorage store;
        LoadProgramStore(store);
        const TLanguageTable language =
            TLanguageAndHelp::StoredLanguage(QCoreApplication::applicationDirPath(), DefaultLanguageName(), store);
        TPairView view(start.Source, start.Destination, [&language](TTextLine line) { return language.text(line); });
        TApplication::setApplicationDisplayName(view.windowTitle());
        view.show();
        result = app.exec();
        CloseSettingsHive();
        return result;
    }
    {
        TfrmMain window;
        TApplication::setApplicationDisplayName(window.windowTitle());
        window.SetStartFolders(start.Source, start.Destination, start.Scan);
        window.show();
        result = app.exec();
    }
    CloseSettingsHive();
    return result;
}
