// Deletes one style from a card database over and over, as fast as it can; used to kill a deletion
// part-way. Arguments: database path, first style number, last style number.
#include "core/store/CardStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    CardStore store(args.at(1));
    if (!store.check().isOk())
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    for (int id = args.at(2).toInt(); id <= args.at(3).toInt(); ++id) {
        if (!store.deleteStyle(static_cast<qint16>(id)).isOk())
            return 4;
    }
    return 0;
}
