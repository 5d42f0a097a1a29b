// Deletes the styles first..last of a card database through the store, one transaction each, and is
// killed by the test in the middle of the last one: when the last style's first guest row is gone,
// it prints "inside" and waits. Arguments: database path, first style number, last style number.
#include "core/store/CardStore.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstring>

#include <dlfcn.h>

namespace {

using UpdateHook = void (*)(void*, int, const char*, const char*, long long);
using SetUpdateHook = void* (*)(void*, UpdateHook, void*);

// Called by SQLite inside the deleting statement, so inside the deletion's transaction.
void stopInside(void*, int, const char*, const char* table, long long)
{
    if (std::strcmp(table, "Guests") != 0)
        return;
    std::puts("inside");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}

// The update hook of the connection, through the SQLite library Qt's driver has loaded.
bool hookLastDeletion(CardStore& store)
{
    void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
    auto setHook = library ? reinterpret_cast<SetUpdateHook>(dlsym(library, "sqlite3_update_hook")) : nullptr;
    const QVariant handle = store.database().driver()->handle();
    if (!setHook || !handle.isValid())
        return false;
    setHook(*static_cast<void* const*>(handle.data()), stopInside, nullptr);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    CardStore store(args.at(1));
    if (!store.check().isOk())
        return 3;
    const int first = args.at(2).toInt();
    const int last = args.at(3).toInt();
    for (int id = first; id <= last; ++id) {
        if (id == last && !hookLastDeletion(store))
            return 5;
        if (!store.deleteStyle(static_cast<qint16>(id)).isOk())
            return 4;
    }
    return 0;
}
