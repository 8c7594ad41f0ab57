#include "pairview/TCompareCommand.h"

#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// %1 and %2 replaced in one pass, so that a name holding "%2" is left as it is.
QString Substitute(const QString &part, const QString &left, const QString &right, bool *used)
{
    QString out;
    out.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        const QChar c = part.at(i);
        const QChar next = i + 1 < part.size() ? part.at(i + 1) : QChar();
        if (c == u'%' && (next == u'1' || next == u'2')) {
            out += next == u'1' ? left : right;
            *used = true;
            ++i;
        } else if (c == u'%' && next == u'%') {
            out += u'%';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QStringList TCompareCommand::Arguments(const QString &command, const QString &left, const QString &right)
{
    const QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty())
        return {};
    QStringList arguments;
    bool used = false;
    for (const QString &part : parts)
        arguments << Substitute(part, left, right, &used);
    if (!used)
        arguments << left << right;
    return arguments;
}

bool TCompareCommand::Start(const QString &command, const QString &left, const QString &right)
{
    QStringList arguments = Arguments(command, left, right);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

QStringList TCompareCommand::Installed()
{
    // Graphical programs first; a terminal one only with a terminal to run it in.
    static const char *const Programs[] = {"meld", "kdiff3", "kompare", "diffuse", "tkdiff", "xxdiff"};
    QStringList found;
    for (const char *program : Programs)
        if (!QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            found << QString::fromLatin1(program) + u" %1 %2"_s;
    if (!QStandardPaths::findExecutable(u"vimdiff"_s).isEmpty()
        && !QStandardPaths::findExecutable(u"x-terminal-emulator"_s).isEmpty())
        found << u"x-terminal-emulator -e vimdiff %1 %2"_s;
    return found;
}
