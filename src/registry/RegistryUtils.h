#pragma once

#include <QString>
#include <QStringList>

class TSettingsHive;

// The settings store: every setting of the program is a typed value addressed by a path below
// RootPath(), such as "Presets\Work\srcPath" or "WinWidth". The path is split at its last
// backslash into a key below the root and a value name; a path without a backslash names a
// value in the root key itself.
//
// Every read names a default and writes it when the value is missing, so reading also fills
// the store. A value of the wrong kind is left as it is and gives the default, except for text
// that is not text, which is an error. Errors are raised as ERegistryError whose message is
// the text shown to the user. Only one thread uses the store.

// The hive behind every operation. Until OpenSettingsHive() is called, the first operation
// opens the per-user file at TSettingsHive::DefaultFilePath().
void OpenSettingsHive(const QString &filePath);
void CloseSettingsHive();
TSettingsHive &SettingsHive();
// Where a damaged settings file was moved when the hive was opened, once; empty otherwise.
// The window shows it in an information box.
QString TakeSettingsRecoveryNotice();

// "\Software\Orvane Studio\Foldermate"
QString DefaultRootPath();
// The key below which all paths lie. A caller that changes it restores it itself.
QString RootPath();
void SetRootPath(const QString &rootPath);

QString ReadString(const QString &path, const QString &defaultValue);
qint32 ReadInteger(const QString &path, qint32 defaultValue);
bool ReadBool(const QString &path, bool defaultValue);
float ReadFloat(const QString &path, float defaultValue);
// Copies a stored binary value into the buffer and returns its size in bytes; 0 and nothing
// written when the value is missing. A text or integer value, or one larger than the buffer,
// is an error.
int ReadBinary(const QString &path, void *buffer, int bufferSize);

void WriteString(const QString &path, const QString &text);
void WriteInteger(const QString &path, qint32 value);
void WriteBool(const QString &path, bool value);
// Stored as the 8 bytes of a double.
void WriteFloat(const QString &path, float value);
void WriteBinary(const QString &path, const void *data, int size);

// Replaces the list's contents with the names of the immediate subkeys of a key path (not an
// entry path), in the store's order: by name, without regard to case. A missing key gives an
// empty list and is not created.
void ListSubkeys(const QString &keyPath, QStringList &list);
// Deletes the value named by the path and the subkey of the same name with everything below
// it. Returns whether a subkey was deleted.
bool DeleteEntry(const QString &path);
