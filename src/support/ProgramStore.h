#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class TmxStorage;

// The program's own file store `mx`, packed at build time from data/EULA.txt (item
// "mx1"), data/mx.txt ("mx2", the product texts) and data/Lang/English.txt ("EN",
// the built-in English language file).

// The stored form as the build packed it.
QByteArray ProgramStoredForm();
// Fills mx with the three items of the program's store.
void LoadProgramStore(TmxStorage &mx);
// Line N of the product texts (item "mx2"), read anew at each call; empty outside
// the lines the texts have. Line 0 is the window caption, line 13 what the logo opens.
QString ReadProductText(TmxStorage &mx, int N);
// What a product text that names a document opens: a text with a scheme
// ("https:", "file:") as it is, otherwise a path relative to the program folder.
QUrl ProductTextUrl(const QString &Text, const QString &ProgramFolder);
