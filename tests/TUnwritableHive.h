#pragma once

#include <QFile>
#include <QString>

#include <sys/fsuid.h>
#include <unistd.h>

// Makes a hive file and its folder unwritable for as long as it lives. Permission bits do not
// stop root, so a test running as root also gives up root's file access for the time being
// (the file-system user id is per thread, and the store works on the calling thread).
class TUnwritableHive
{
public:
    TUnwritableHive(const QString &folder, const QString &file, QFile::Permissions folderMode,
                    QFile::Permissions fileMode)
        : FFolder(folder)
        , FFile(file)
    {
        QFile::setPermissions(FFile, fileMode);
        QFile::setPermissions(FFolder, folderMode);
        if (geteuid() == 0)
            FDropped = setfsuid(65534) == 0;
    }
    ~TUnwritableHive()
    {
        if (FDropped)
            setfsuid(0);
        QFile::setPermissions(FFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(FFile, QFile::ReadOwner | QFile::WriteOwner);
    }
    TUnwritableHive(const TUnwritableHive &) = delete;
    TUnwritableHive &operator=(const TUnwritableHive &) = delete;

    static QFile::Permissions ReadOnly()
    {
        return QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
    }
    static QFile::Permissions ReadWrite() { return ReadOnly() | QFile::WriteOwner | QFile::WriteUser; }
    static QFile::Permissions Browse()
    {
        return ReadOnly() | QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
    }
    static QFile::Permissions Open()
    {
        return Browse() | QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    }

private:
    QString FFolder;
    QString FFile;
    bool FDropped = false;
};
