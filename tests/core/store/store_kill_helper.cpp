// A store at work, killed by the test at a point it announces by printing "inside":
//   delete DB FIRST LAST  deletes styles FIRST..LAST through the store, one transaction each, and
//                         stops in the middle of the last one, when its first guest row is gone;
//   upgrade DB            upgrades a version-1 file by the program's own steps and stops once the
//                         last of them has run, inside the upgrade's transaction.
#include "core/store/CardStore.h"

#include <QCoreApplication>
#include <QSqlDatabase>
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
void announceAndWait();

void stopInside(void*, int, const char*, const char* table, long long)
{
    if (std::strcmp(table, "Guests") == 0)
        announceAndWait();
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

void announceAndWait()
{
    std::puts("inside");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}

int upgrade(const QString& path)
{
    CardStore store(path);
    QList<UpgradeStep> steps = SchemaUpgrade::steps();
    const auto last = steps.last().apply;
    steps.last().apply = [last](QSqlDatabase& db) {
        const Status s = last(db);
        if (s.isOk())
            announceAndWait();
        return s;
    };
    store.setUpgradeSteps(steps);
    return store.check().isOk() ? 0 : 3;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("upgrade"))
        return upgrade(args.at(2));
    if (args.size() != 5 || args.at(1) != QLatin1String("delete"))
        return 2;
    CardStore store(args.at(2));
    if (!store.check().isOk())
        return 3;
    const int first = args.at(3).toInt();
    const int last = args.at(4).toInt();
    for (int id = first; id <= last; ++id) {
        if (id == last && !hookLastDeletion(store))
            return 5;
        if (!store.deleteStyle(static_cast<qint16>(id)).isOk())
            return 4;
    }
    return 0;
}
