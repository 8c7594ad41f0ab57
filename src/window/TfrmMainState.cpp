#include "window/TfrmMain.h"

#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"
#include "window/TLanguageAndHelp.h"
#include "window/TPresetsGroup.h"
#include "window/TPrompts.h"
#include "window/TScanSettingsTable.h"
#include "window/TSettingsPage.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A message for the user once the window is up and its message loop runs.
void ShowLater(TfrmMain *window, const QString &text, bool error)
{
    QTimer::singleShot(0, window, [window, text, error] {
        if (error)
            window->Prompts().Error(text);
        else
            window->Prompts().Information(text);
    });
}

} // namespace

QIcon TfrmMain::ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(u":/icons/foldermate-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

void TfrmMain::FormCreate()
{
    FLanguageAndHelp->ChooseStartLanguage();
    try {
        FPresets->LoadPresetList();
    } catch (const ERegistryError &error) {
        // A damaged preset must not keep the program from starting: the list holds the
        // presets read before it, and the user is told once the window is up.
        ShowLater(this, error.Message(), true);
    }
    setWindowIcon(ProgramIcon());
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FFirstShow && !event->spontaneous())
        FormShow();
}

void TfrmMain::FormShow()
{
    FFirstShow = false;
    FLanguageAndHelp->ShowStartLanguage();
    UpdateRunControls();
    SetStatusText(u" "_s + Text(tlReady));
    RestorePlacement();

    FLanguageAndHelp->StartLanguageWatch();
    try {
        FPresets->ImportOldPresets();
        SelectStartFolders();
    } catch (const ERegistryError &error) {
        // The window is half way through being shown; the message waits until it is.
        ShowLater(this, error.Message(), true);
    }

    const QString recovery = TakeSettingsRecoveryNotice();
    if (!recovery.isEmpty())
        ShowLater(this, recovery, false);
}

void TfrmMain::RestorePlacement()
{
    // In the middle of the window's screen, the top left corner on the screen when the
    // screen is smaller than the window.
    const QScreen *display = screen();
    const auto centred = [display](QRect bounds) {
        if (display) {
            const QRect available = display->availableGeometry();
            bounds.moveCenter(available.center());
            bounds.moveTopLeft(
                QPoint(std::max(bounds.left(), available.left()), std::max(bounds.top(), available.top())));
        }
        return bounds;
    };
    // Until the user has placed the window, it opens in the middle.
    const QRect current = centred(geometry());
    const int width = ReadInteger(u"WinWidth"_s, current.width());
    const int height = ReadInteger(u"WinHeight"_s, current.height());
    const int left = ReadInteger(u"WinLeft"_s, current.x());
    const int top = ReadInteger(u"WinTop"_s, current.y());
    QRect restored(left, top, width, height);
    // Bounds on no screen at all (a screen unplugged since) would leave the window out of
    // reach; it keeps its size and opens in the middle instead.
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (std::none_of(screens.begin(), screens.end(),
                     [&restored](const QScreen *s) { return s->availableGeometry().intersects(restored); }))
        restored = centred(restored);
    // The same quantity is stored on closing: the bounds without the frame, so the
    // window neither grows nor drifts from one start to the next.
    setGeometry(restored);
    if (ReadBool(u"WinMax"_s, false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::SavePlacement()
{
    // A window never shown has no placement of its own to keep.
    if (FFirstShow)
        return;
    WriteBool(u"WinMax"_s, isMaximized());
    // The bounds that a maximized window returns to.
    const QRect normal = normalGeometry();
    WriteInteger(u"WinWidth"_s, normal.width());
    WriteInteger(u"WinHeight"_s, normal.height());
    WriteInteger(u"WinLeft"_s, normal.x());
    WriteInteger(u"WinTop"_s, normal.y());
}

void TfrmMain::SetStartFolders(const QString &source, const QString &destination, bool scan)
{
    FStartSource = source;
    FStartDestination = destination;
    FStartScan = scan;
}

void TfrmMain::SelectStartFolders()
{
    const bool given = !FStartSource.isEmpty() || !FStartDestination.isEmpty();
    const QString folders[] = {
        given ? FStartSource : ReadString(u"LastSrcPath"_s, QString()),
        given ? FStartDestination : ReadString(u"LastDstPath"_s, QString()),
    };
    QStringList problems;
    for (int side = 1; side <= 2; ++side) {
        const QString &folder = folders[side - 1];
        if (folder.isEmpty())
            continue;
        const QFileInfo info(folder);
        if (info.isDir()) {
            TScanSettingsTable::ShowFolder(FSettings->SettingControls(), side, folder);
            continue;
        }
        // The last scan's folder may be gone (an unplugged disk): nothing to say. One asked
        // for just now is reported.
        if (given)
            problems << (info.exists() ? Text(tlRootNotFolder) : Text(tlRootMissing)).arg(folder);
    }
    UpdateRunControls();
    if (!problems.isEmpty())
        ShowLater(this, problems.join(u'\n'), true);
    else if (FStartScan && FSettings->StartButton()->isEnabled())
        QTimer::singleShot(0, this, [this] {
            if (FSettings->StartButton()->isEnabled())
                Start();
        });
}

void TfrmMain::SaveLastFolders()
{
    // Nothing scanned in this session: the folders stored before stay.
    if (ScanOptions.srcPath.isEmpty() && ScanOptions.dstPath.isEmpty())
        return;
    const auto folder = [](const QString &root) {
        return root.size() > 1 && root.endsWith(u'/') ? root.chopped(1) : root;
    };
    WriteString(u"LastSrcPath"_s, folder(ScanOptions.srcPath));
    WriteString(u"LastDstPath"_s, folder(ScanOptions.dstPath));
}

void TfrmMain::FormDestroy()
{
    FLanguageAndHelp->StopLanguageWatch();
}
