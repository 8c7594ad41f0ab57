#pragma once

#include <QSet>

class QAbstractButton;
class QWidget;

// Gives every button and option of a window a key: Alt and a letter of its caption,
// preferring the first letters of its words. A key is unique among the controls that
// can be seen together: those outside any tab page share their keys with every page,
// and each page (and each page of a tab control inside it) has the rest to itself.
// The captions themselves stay as the language file has them; the key is named in the
// control's tooltip where the control has no tooltip of its own.
class TAccelerators
{
public:
    // Assigns the keys anew from the captions now shown.
    static void Assign(QWidget &window);
    // The letter chosen for a caption: a free one, else its first letter (shared); none
    // (a null QChar) for a caption without letters or digits.
    static QChar Choose(const QString &caption, const QSet<QChar> &taken);

private:
    static void AssignScope(QWidget &scope, QSet<QChar> taken);
    static void Give(QAbstractButton &button, QSet<QChar> &taken);
};
