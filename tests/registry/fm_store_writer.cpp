// Test helper: writes COUNT integers below KEY through the settings store, one operation each.
// Usage: fm_store_writer HIVE-FILE KEY COUNT

#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    OpenSettingsHive(args.at(1));
    const int count = args.at(3).toInt();
    try {
        for (int i = 0; i < count; ++i)
            WriteInteger(args.at(2) + u"\\v"_s + QString::number(i), i);
    } catch (const ERegistryError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
