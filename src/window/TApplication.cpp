#include "window/TApplication.h"

#include "registry/ERegistryError.h"
#include "support/TLanguageTable.h"
#include "support/TTextLine.h"
#include "window/TMessageBoxPrompts.h"

#include <exception>

using namespace Qt::StringLiterals;

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const ERegistryError &error) {
        ShowError(error.Message());
    } catch (const std::exception &error) {
        ShowError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowError(FUnexpectedError.isEmpty() ? TLanguageTable::BuiltInEnglish().text(tlUnexpectedError)
                                             : FUnexpectedError);
    }
    return false;
}

void TApplication::ShowError(const QString &text)
{
    if (FPrompts) {
        FPrompts->Error(text);
        return;
    }
    TMessageBoxPrompts(activeWindow()).Error(text);
}
