#include "window/TMessageBoxPrompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString BoxTitle(QWidget *parent)
{
    if (parent && !parent->window()->windowTitle().isEmpty())
        return parent->window()->windowTitle();
    return QApplication::applicationDisplayName();
}

void ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, BoxTitle(parent), text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

void TMessageBoxPrompts::Error(const QString &text)
{
    ShowBox(FParent, QMessageBox::Critical, text);
}

void TMessageBoxPrompts::Information(const QString &text)
{
    ShowBox(FParent, QMessageBox::Information, text);
}

bool TMessageBoxPrompts::Confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, BoxTitle(FParent), text, QMessageBox::Yes | QMessageBox::No, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString TMessageBoxPrompts::InputText(const QString &caption, const QString &prompt, const QString &text, bool *ok)
{
    QInputDialog dialog(FParent);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted ? dialog.textValue() : QString();
}
