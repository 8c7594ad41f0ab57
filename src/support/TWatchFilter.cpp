#include "support/TWatchFilter.h"

#include <sys/inotify.h>

quint32 TWatchFilters::InotifyMask() const
{
    quint32 mask = 0;
    if (Contains(nfFILE_NAME) || Contains(nfDIR_NAME))
        mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    if (Contains(nfATTRIBUTES) || Contains(nfSECURITY) || Contains(nfCREATION))
        mask |= IN_ATTRIB;
    if (Contains(nfSIZE))
        mask |= IN_MODIFY;
    // Every write, and the close that ends a save.
    if (Contains(nfLAST_WRITE))
        mask |= IN_MODIFY | IN_CLOSE_WRITE;
    if (Contains(nfLAST_ACCESS))
        mask |= IN_ACCESS;
    return mask;
}
