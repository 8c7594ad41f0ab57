#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTextBrowser>

// The view of the help window. It reads only what a guide may hold: regular files inside
// the guide's own folder, each of a bounded size; a link or a picture that names anything
// else (a device, a FIFO, a file elsewhere) shows nothing. A page nested deeper than any
// guide is shown as plain text, which lays out in bounded time.
class THelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    static constexpr qint64 LargestPage = 4 * 1024 * 1024;
    static constexpr qint64 LargestPicture = 16 * 1024 * 1024;
    static constexpr int DeepestNesting = 256;

    explicit THelpBrowser(QWidget *parent = nullptr);

    // The folder whose files the view may read.
    void SetFolder(const QString &folder);
    QVariant loadResource(int type, const QUrl &name) override;

    // The deepest nesting of elements in an HTML text, stopping once it passes limit.
    static int Nesting(QByteArrayView html, int limit);

private:
    QString FFolder;
};
