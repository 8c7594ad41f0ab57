#include "window/TAccelerators.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QList>
#include <QStackedWidget>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

// The property that remembers the tooltip this class gave, so a new language (or a
// tooltip the window set meanwhile) is told apart from it.
constexpr const char *GivenTip = "fmAcceleratorTip";

bool IsKeyLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The pages of a tab control, which are never seen together.
bool IsPageStack(const QWidget *w)
{
    return qobject_cast<const QStackedWidget *>(w) && qobject_cast<const QTabWidget *>(w->parentWidget());
}

// The buttons of scope that are not on a page of a tab control inside it, and the
// pages of the tab controls met on the way, in the order they stand.
void Collect(QWidget &scope, QList<QAbstractButton *> &buttons, QList<QWidget *> &pages)
{
    for (QObject *child : scope.children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow())
            continue;
        if (IsPageStack(w)) {
            for (QObject *page : w->children())
                if (auto *p = qobject_cast<QWidget *>(page))
                    pages << p;
            continue;
        }
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            buttons << button;
        Collect(*w, buttons, pages);
    }
}

} // namespace

QChar TAccelerators::Choose(const QString &caption, const QSet<QChar> &taken)
{
    const QString upper = caption.toUpper();
    // First letters of words, then any letter, then digits.
    for (qsizetype i = 0; i < upper.size(); ++i) {
        const bool wordStart = i == 0 || !upper.at(i - 1).isLetterOrNumber();
        if (wordStart && upper.at(i).isLetter() && IsKeyLetter(upper.at(i)) && !taken.contains(upper.at(i)))
            return upper.at(i);
    }
    for (QChar c : upper)
        if (IsKeyLetter(c) && !taken.contains(c))
            return c;
    // A short caption whose letters are all in use ("KB" beside "Bytes") shares its first
    // letter: a key given twice moves the focus from one control to the next.
    for (QChar c : upper)
        if (IsKeyLetter(c))
            return c;
    return {};
}

void TAccelerators::Assign(QWidget &window)
{
    AssignScope(window, {});
}

void TAccelerators::AssignScope(QWidget &scope, QSet<QChar> taken)
{
    QList<QAbstractButton *> buttons;
    QList<QWidget *> pages;
    Collect(scope, buttons, pages);
    for (QAbstractButton *button : buttons)
        Give(*button, taken);
    for (QWidget *page : pages)
        AssignScope(*page, taken);
}

void TAccelerators::Give(QAbstractButton &button, QSet<QChar> &taken)
{
    // Buttons without a caption (the trees' place buttons, spin arrows) keep their own ways.
    const QString caption = button.text();
    const QString oldTip = button.property(GivenTip).toString();
    const bool ownTip = button.toolTip().isEmpty() || button.toolTip() == oldTip;
    const QChar letter = Choose(caption, taken);
    if (letter.isNull()) {
        button.setShortcut(QKeySequence());
        if (ownTip && !oldTip.isEmpty())
            button.setToolTip(QString());
        button.setProperty(GivenTip, QString());
        return;
    }
    taken.insert(letter);
    const QKeySequence key(QKeyCombination(Qt::AltModifier, Qt::Key(letter.unicode())));
    button.setShortcut(key);
    const QString tip = key.toString(QKeySequence::NativeText);
    if (ownTip)
        button.setToolTip(tip);
    button.setProperty(GivenTip, tip);
}
