#include "registry/RegistryUtils.h"
#include "window/TApplication.h"
#include "window/TfrmMain.h"

#include "platform/TSettingsHive.h"

using namespace Qt::StringLiterals;

// No command line is read: everything the program needs comes from the settings store and
// the window.
int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TApplication::setApplicationName(u"foldermate"_s);
    TApplication::setApplicationVersion(QStringLiteral(FM_VERSION));
    // Desktops find the program's entry, its name and its icon by this name.
    TApplication::setDesktopFileName(u"org.foldermate.Foldermate"_s);
    TApplication::setWindowIcon(TfrmMain::ProgramIcon());

    OpenSettingsHive(TSettingsHive::DefaultFilePath());
    int result = 0;
    {
        TfrmMain window;
        TApplication::setApplicationDisplayName(window.windowTitle());
        window.show();
        result = app.exec();
    }
    CloseSettingsHive();
    return result;
}
