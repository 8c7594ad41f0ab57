#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <vector>

// The control of the given kind and object name inside window. A control that is missing,
// or of another kind, ends the test program at once with its name: no test goes on with
// a null control.
template <typename T>
T *Find(const QObject &window, const char *name)
{
    T *control = window.findChild<T *>(QString::fromLatin1(name));
    if (!control) {
        qFatal("%s has no %s named \"%s\"", qPrintable(window.objectName()), T::staticMetaObject.className(),
               name);
    }
    return control;
}

// Several controls of one kind, in the order named.
template <typename T>
std::vector<T *> FindAll(const QObject &window, std::initializer_list<const char *> names)
{
    std::vector<T *> controls;
    for (const char *name : names)
        controls.push_back(Find<T>(window, name));
    return controls;
}
