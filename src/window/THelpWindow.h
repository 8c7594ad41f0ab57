#pragma once

#include "window/THelpBrowser.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// The user guide in the program's own window: an HTML page with its headings and links,
// and a find box (Ctrl+F) that finds forwards with Enter and backwards with Shift+Enter.
// Links within the guide are followed in the window; links to the web go to the browser.
class THelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit THelpWindow(QWidget *parent = nullptr);

    // Shows the page; false when it cannot be read.
    bool Open(const QString &htmlFile);
    QString Page() const { return FPage; }
    // The texts of the window in the language in use.
    void SetTexts(const QString &title, const QString &findLabel, const QString &notFound);

    // Finds the next (or previous) place of the text, from the cursor, going round the
    // end once; false when the guide does not hold it.
    bool Find(const QString &text, bool backward = false);
    THelpBrowser *Browser() const { return FBrowser; }
    QLineEdit *FindBox() const { return FFindBox; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FindTyped(bool backward);

    THelpBrowser *FBrowser;
    QLabel *FFindLabel;
    QLineEdit *FFindBox;
    QLabel *FNotFound;
    QString FPage;
};
