#pragma once

#include <QString>

// Every message box, confirmation and input box of the window goes through one of these,
// so that tests can answer them without a person.
class TPrompts
{
public:
    virtual ~TPrompts() = default;

    // A box with the error icon and one OK button.
    virtual void Error(const QString &text) = 0;
    // A box with the information icon and one OK button.
    virtual void Information(const QString &text) = 0;
    // Yes or No; true for Yes.
    virtual bool Confirm(const QString &text) = 0;
    // A one-line text box proposing text; *ok tells whether the user confirmed.
    virtual QString InputText(const QString &caption, const QString &prompt, const QString &text, bool *ok) = 0;
};
