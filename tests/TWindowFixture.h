#pragma once

#include "registry/RegistryUtils.h"
#include "window/ScriptedPrompts.h"
#include "window/TfrmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QSignalSpy>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

#include <initializer_list>
#include <memory>
#include <vector>

// The control of the given kind and object name inside window. A control that is missing,
// or of another kind, ends the test program at once with its name: no test goes on with
// a null control.
template <typename T> T *Find(const QObject &window, const char *name)
{
    T *control = window.findChild<T *>(QString::fromLatin1(name));
    if (!control) {
        qFatal("%s has no %s named \"%s\"", qPrintable(window.objectName()), T::staticMetaObject.className(), name);
    }
    return control;
}

// Several controls of one kind, in the order named.
template <typename T> std::vector<T *> FindAll(const QObject &window, std::initializer_list<const char *> names)
{
    std::vector<T *> controls;
    for (const char *name : names)
        controls.push_back(Find<T>(window, name));
    return controls;
}

// What the window tests set up alike: a temporary program folder (its Lang/ and Help/ beside
// the program, the settings store, the trash), scripted prompts, and the window built on that
// folder. A test class derives from it and calls SetUpProgram() and TearDownProgram() from
// init() and cleanup(), or from initTestCase() and cleanupTestCase() where the store is kept
// from one test to the next.
class TWindowFixture
{
protected:
    std::unique_ptr<QTemporaryDir> FProgram;
    std::unique_ptr<TfrmMain> FWindow;
    TScriptedPrompts FPrompts;

    // A new program folder with the settings store open in it, and no prompt answered yet;
    // with shippedLanguages, its Lang/ holds the language files that lie beside the test.
    // False when the folder cannot be made.
    bool SetUpProgram(bool shippedLanguages = false)
    {
        FProgram = std::make_unique<QTemporaryDir>();
        if (!FProgram->isValid())
            return false;
        if (shippedLanguages) {
            const QDir shipped(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
            if (!QDir().mkpath(LangFolder()))
                return false;
            for (const QString &name : shipped.entryList(QDir::Files)) {
                if (!QFile::copy(shipped.filePath(name), LangFolder() + u'/' + name))
                    return false;
            }
        }
        // Files sent to the trash stay inside the folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(FProgram->filePath(QStringLiteral("data"))));
        OpenSettingsHive(StoreFile());
        FPrompts = TScriptedPrompts();
        return true;
    }

    // The window first, then the store, then the folder.
    void TearDownProgram()
    {
        FWindow.reset();
        CloseSettingsHive();
        FProgram.reset();
    }

    QString StoreFile() const { return FProgram->filePath(QStringLiteral("settings.sqlite3")); }
    QString LangFolder() const { return FProgram->filePath(QStringLiteral("Lang")); }

    // Closes any window before and builds a new one on the program folder, with the scripted
    // prompts. defaultLanguage: the language file chosen while the user has chosen none.
    TfrmMain *NewWindow(const QString &defaultLanguage = QStringLiteral("English"))
    {
        FWindow.reset();
        FWindow = std::make_unique<TfrmMain>(FProgram->path(), defaultLanguage);
        FWindow->SetPrompts(&FPrompts);
        return FWindow.get();
    }

    // A new window, shown as at the program's start.
    TfrmMain *ShowWindow(const QString &defaultLanguage = QStringLiteral("English"))
    {
        NewWindow(defaultLanguage);
        FWindow->show();
        return FWindow.get();
    }

    // Waits for the shown window to be on the screen.
    bool WindowExposed() const { return QTest::qWaitForWindowExposed(FWindow.get()); }

    // Selects the two roots and runs a scan to its end through the window.
    bool ScanInWindow(const QString &source, const QString &destination)
    {
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->StartScan(source, destination);
        return done.wait(20000);
    }
};
