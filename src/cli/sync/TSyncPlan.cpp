#include "cli/sync/TSyncPlan.h"

#include "cli/scan/TRecordSink.h"
#include "platform/TNativeName.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

TSyncPlan::TSyncPlan(const TSyncCommandLine &commandLine, FILE *status)
    : FCommandLine(commandLine)
    , FStatus(status)
{}

void TSyncPlan::ShowStatus(const QString &text)
{
    if (!FStatus)
        return;
    const QByteArray line = TRecordSink::OneLine(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), FStatus);
    std::fflush(FStatus);
}

void TSyncPlan::AddToList(int list, const QString &path)
{
    TFinding finding;
    finding.List = list;
    finding.Path = path;
    AddFinding(finding);
}

void TSyncPlan::AddFinding(const TFinding &finding)
{
    const bool source = finding.List % 2 == 1;
    ++FFiles[source ? 0 : 1];
    // A pair shows both sides' files, though the run may report it from one side only
    // (a newer file, say).
    if (finding.List >= 3)
        ++FFiles[source ? 1 : 0];
    const TScanOptions &o = FCommandLine.Options;
    const QString &ownRoot = source ? o.srcPath : o.dstPath;
    const QString &otherRoot = source ? o.dstPath : o.srcPath;
    for (int a = 0; a < TSyncCommandLine::ActionCount; ++a) {
        const auto action = TSyncCommandLine::TAction(a);
        if (!FCommandLine.Actions[a] || TSyncCommandLine::ListOf(action) != finding.List)
            continue;
        TStep step{action, finding.Path, QString(), finding.Size};
        if (action != TSyncCommandLine::saTrashExtra)
            step.Target = otherRoot + QStringView(finding.Path).mid(ownRoot.size());
        if (finding.HasCounterpart && action != TSyncCommandLine::saTrashExtra)
            step.TargetSeen = TCopyOptions::TSeen{finding.CounterpartSize, finding.CounterpartMTimeSec};
        FSteps << step;
    }
}

void TSyncPlan::NotCompared(const QString &path, const QString &reason)
{
    ++FNotCompared;
    const QByteArray line = "not compared: " + TRecordSink::OneLine(reason) + ": " + TRecordSink::OneLine(path) + '\n';
    std::fputs(line.constData(), stderr);
}

void TSyncPlan::Skipped(const QString &path, const QString &reason)
{
    const QByteArray line = "skipped: " + TRecordSink::OneLine(reason) + ": " + TRecordSink::OneLine(path) + '\n';
    std::fputs(line.constData(), stderr);
}

QString TSyncPlan::EmptyRootRefusal() const
{
    if (FCommandLine.AllowEmptyRoot || FSteps.isEmpty())
        return {};
    for (int side = 0; side < 2; ++side) {
        if (FFiles[side] == 0 && FFiles[1 - side] > 0) {
            const QString &root = side == 0 ? FCommandLine.Options.srcPath : FCommandLine.Options.dstPath;
            return u"%1 holds no file the scan could compare, while %2 does: refusing to act on that alone (a "
                   "disk that is not mounted looks like this). Give --allow-empty-root if the folder is meant "
                   "to be empty."_s.arg(root, side == 0 ? FCommandLine.Options.dstPath : FCommandLine.Options.srcPath);
        }
    }
    return {};
}

QByteArray TSyncPlan::Record(const TStep &step, QString *why) const
{
    const QByteArray name = TSyncCommandLine::ActionName(step.Action).toLatin1();
    const char end = FCommandLine.NullTerminated ? '\0' : '\n';
    if (FCommandLine.Json) {
        const QByteArray path = TNativeName::Encode(step.Path);
        const QByteArray target = TNativeName::Encode(step.Target);
        if (QString::fromUtf8(path).toUtf8() != path || QString::fromUtf8(target).toUtf8() != target) {
            *why = u"the name is not UTF-8, a JSON record cannot hold it"_s;
            return {};
        }
        QJsonObject o{{u"action"_s, QString::fromLatin1(name)}, {u"path"_s, step.Path}, {u"size"_s, step.Size}};
        if (!step.Target.isEmpty())
            o.insert(u"target"_s, step.Target);
        return QJsonDocument(o).toJson(QJsonDocument::Compact) + end;
    }
    if (end == '\n' && step.Path.contains(u'\n')) {
        *why = u"the name holds a line break, records with it need --null"_s;
        return {};
    }
    return name + '\t' + TNativeName::Encode(step.Path) + end;
}
