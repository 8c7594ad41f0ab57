#pragma once

#include <QApplication>

class TPrompts;

// The program's application object. An exception that leaves an event handler (a store
// that refuses a write, a damaged setting) is shown in an error box with its message, and
// the message loop goes on.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    // Where errors are shown; the message box prompts when none is set.
    void SetPrompts(TPrompts *prompts) { FPrompts = prompts; }
    // What an error without a message of its own says, in the language in use.
    void SetUnexpectedErrorText(const QString &text) { FUnexpectedError = text; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void ShowError(const QString &text);

    TPrompts *FPrompts = nullptr;
    QString FUnexpectedError;
};
