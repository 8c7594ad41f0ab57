#pragma once

#include "window/TPrompts.h"

#include <QPointer>
#include <QWidget>

// The program's own prompts: application-modal message boxes and input boxes.
class TMessageBoxPrompts : public TPrompts
{
public:
    explicit TMessageBoxPrompts(QWidget *parent = nullptr)
        : FParent(parent)
    {}

    void Error(const QString &text) override;
    void Information(const QString &text) override;
    bool Confirm(const QString &text) override;
    QString InputText(const QString &caption, const QString &prompt, const QString &text, bool *ok) override;

private:
    QPointer<QWidget> FParent;
};
