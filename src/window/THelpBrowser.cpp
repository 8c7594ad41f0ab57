#include "window/THelpBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Elements that never hold others.
bool IsVoidElement(QByteArrayView name)
{
    static const QByteArrayView kVoid[] = {"br", "img", "hr", "meta", "link", "input", "col", "area", "base", "wbr"};
    for (QByteArrayView v : kVoid)
        if (name.compare(v, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The bytes of a regular file inside folder, at most limit of them; nothing for anything
// else. Opened without blocking and checked after opening, so a FIFO cannot hang the view.
QByteArray ReadBounded(const QString &path, const QString &folder, qint64 limit)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty() || folder.isEmpty() || !canonical.startsWith(folder + u'/'))
        return {};
    const int fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st;
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > limit
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return file.read(limit);
}

} // namespace

THelpBrowser::THelpBrowser(QWidget *parent)
    : QTextBrowser(parent)
{}

void THelpBrowser::SetFolder(const QString &folder)
{
    FFolder = QFileInfo(folder).canonicalFilePath();
}

int THelpBrowser::Nesting(QByteArrayView html, int limit)
{
    int depth = 0;
    int deepest = 0;
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html[i] != '<')
            continue;
        if (html.sliced(i).startsWith("<!--")) {
            const qsizetype end = html.indexOf("-->", i + 4);
            if (end < 0)
                break;
            i = end + 2;
            continue;
        }
        const qsizetype close = html.indexOf('>', i + 1);
        if (close < 0)
            break;
        QByteArrayView tag = html.sliced(i + 1, close - i - 1);
        i = close;
        if (tag.isEmpty() || tag.front() == '!' || tag.front() == '?')
            continue;
        if (tag.front() == '/') {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (tag.back() == '/')
            continue;
        qsizetype nameEnd = 0;
        while (nameEnd < tag.size() && tag[nameEnd] != ' ' && tag[nameEnd] != '\t' && tag[nameEnd] != '\n'
               && tag[nameEnd] != '\r')
            ++nameEnd;
        if (IsVoidElement(tag.first(nameEnd)))
            continue;
        deepest = std::max(deepest, ++depth);
        if (deepest > limit)
            return deepest;
    }
    return deepest;
}

QVariant THelpBrowser::loadResource(int type, const QUrl &name)
{
    if (!name.isLocalFile() && !name.isRelative())
        return QTextBrowser::loadResource(type, name);
    const QUrl resolved = name.isRelative() && source().isLocalFile() ? source().resolved(name) : name;
    const bool page = type == QTextDocument::HtmlResource || type == QTextDocument::MarkdownResource;
    const QByteArray bytes = ReadBounded(resolved.toLocalFile(), FFolder, page ? LargestPage : LargestPicture);
    // Refused: an empty value, not none, or the document would read the file itself.
    if (bytes.isEmpty())
        return QVariant(QByteArray(""));
    if (!page)
        return QVariant(bytes);
    if (Nesting(bytes, DeepestNesting) > DeepestNesting) {
        // Its first part as text, wrapped: laid out in bounded time.
        const QString text = QString::fromUtf8(bytes.first(std::min(bytes.size(), qsizetype(64 * 1024))));
        return QVariant(u"<pre style=\"white-space: pre-wrap\">"_s + text.toHtmlEscaped() + u"</pre>"_s);
    }
    return QVariant(QString::fromUtf8(bytes));
}
