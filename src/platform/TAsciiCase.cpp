#include "platform/TAsciiCase.h"

bool TAsciiCase::Same(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (Fold(a[i].unicode()) != Fold(b[i].unicode()))
            return false;
    }
    return true;
}
