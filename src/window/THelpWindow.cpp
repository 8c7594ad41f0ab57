#include "window/THelpWindow.h"

#include "window/THelpBrowser.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

THelpWindow::THelpWindow(QWidget *parent)
    : QDialog(parent)
    , FBrowser(new THelpBrowser(this))
    , FFindLabel(new QLabel(this))
    , FFindBox(new QLineEdit(this))
    , FNotFound(new QLabel(this))
{
    setObjectName(u"HelpWindow"_s);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(760, 640);
    FBrowser->setObjectName(u"HelpBrowser"_s);
    FBrowser->setOpenExternalLinks(true);
    FFindBox->setObjectName(u"HelpFindBox"_s);
    FFindBox->setClearButtonEnabled(true);
    FFindLabel->setBuddy(FFindBox);
    FNotFound->setObjectName(u"HelpNotFound"_s);
    FNotFound->setVisible(false);
    QPalette warning = FNotFound->palette();
    warning.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    FNotFound->setPalette(warning);

    auto *findRow = new QHBoxLayout;
    findRow->addWidget(FFindLabel);
    findRow->addWidget(FFindBox, 1);
    findRow->addWidget(FNotFound);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    findRow->addWidget(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FBrowser, 1);
    layout->addLayout(findRow);

    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        FFindBox->setFocus(Qt::ShortcutFocusReason);
        FFindBox->selectAll();
    });
    auto *nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, [this] { FindTyped(false); });
    auto *previousKey = new QShortcut(QKeySequence::FindPrevious, this);
    connect(previousKey, &QShortcut::activated, this, [this] { FindTyped(true); });
    connect(FFindBox, &QLineEdit::textEdited, this, [this] {
        // Typing finds as it goes, from the start of the place found last.
        QTextCursor cursor = FBrowser->textCursor();
        cursor.setPosition(cursor.selectionStart());
        FBrowser->setTextCursor(cursor);
        FindTyped(false);
    });
    FFindBox->installEventFilter(this);
}

bool THelpWindow::Open(const QString &htmlFile)
{
    QFile file(htmlFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    FPage = htmlFile;
    // The folder of the page resolves its pictures and its links to other pages, and is
    // all the view may read.
    FBrowser->setSearchPaths({QFileInfo(htmlFile).absolutePath()});
    FBrowser->SetFolder(QFileInfo(htmlFile).absolutePath());
    FBrowser->setSource(QUrl::fromLocalFile(QFileInfo(htmlFile).absoluteFilePath()), QTextDocument::HtmlResource);
    return true;
}

void THelpWindow::SetTexts(const QString &title, const QString &findLabel, const QString &notFound)
{
    setWindowTitle(title);
    FFindLabel->setText(findLabel);
    FNotFound->setText(notFound);
}

bool THelpWindow::Find(const QString &text, bool backward)
{
    if (text.isEmpty()) {
        FNotFound->setVisible(false);
        return false;
    }
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = FBrowser->find(text, flags);
    if (!found) {
        // Once round the end, then the search gives up.
        const QTextCursor kept = FBrowser->textCursor();
        QTextCursor cursor = kept;
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        FBrowser->setTextCursor(cursor);
        found = FBrowser->find(text, flags);
        if (!found)
            FBrowser->setTextCursor(kept);
    }
    FNotFound->setVisible(!found);
    return found;
}

void THelpWindow::FindTyped(bool backward)
{
    Find(FFindBox->text(), backward);
}

bool THelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FFindBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FindTyped(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape && !FFindBox->text().isEmpty()) {
            FFindBox->clear();
            FNotFound->setVisible(false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
