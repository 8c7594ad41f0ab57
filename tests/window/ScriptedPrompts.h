#pragma once

#include "window/TPrompts.h"

#include <QStringList>

// Answers the window's prompts without a person and records what was asked, in order,
// as "error: text", "information: text", "confirm: text" or "input: prompt".
class TScriptedPrompts : public TPrompts
{
public:
    void Error(const QString &text) override { Asked.append(QStringLiteral("error: ") + text); }
    void Information(const QString &text) override { Asked.append(QStringLiteral("information: ") + text); }
    bool Confirm(const QString &text) override
    {
        Asked.append(QStringLiteral("confirm: ") + text);
        return ConfirmAnswer;
    }
    QString InputText(const QString &, const QString &prompt, const QString &text, bool *ok) override
    {
        Asked.append(QStringLiteral("input: ") + prompt);
        if (ok)
            *ok = InputAccepted;
        return InputAnswer.isNull() ? text : InputAnswer;
    }

    QStringList Asked;
    bool ConfirmAnswer = true;
    bool InputAccepted = true;
    QString InputAnswer;
};
