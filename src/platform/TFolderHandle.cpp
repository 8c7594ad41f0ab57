#include "platform/TFolderHandle.h"

#include <fcntl.h>
#include <unistd.h>

TFolderHandle::~TFolderHandle()
{
    if (FFd >= 0)
        ::close(FFd);
}

void TFolderHandle::Point(const QByteArray &root, QByteArrayView relative)
{
    if (FPointed && relative == FRelative)
        return;
    if (FFd >= 0)
        ::close(FFd);
    FRelative = relative.toByteArray();
    FPointed = true;
    QByteArray path = root;
    path.append(relative);
    FFd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

TFileStat TFolderHandle::Stat(const char *name) const
{
    if (FFd < 0)
        return {};
    return TFileStat::At(FFd, name);
}
