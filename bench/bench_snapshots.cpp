// Snapshots of a data file with 100,000 guests (and 200 labels): taking one (the copy before a
// destructive change, including the clean-up of old ones), restoring one (which first snapshots the
// current content), and opening the file (the check for data of other tools reads every row).
// Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/store/CardStore.h"
#include "core/store/Snapshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

using namespace bench;

constexpr int kGuests = 100000;
constexpr int kRepeats = 9;

void fill(const QString& path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
                              "INSERT INTO Lists (ListID, ListName) SELECT i, '样式' || i FROM n"));
        q.exec(QStringLiteral("INSERT INTO GuestXY (ListID) SELECT ListID FROM Lists"));
        q.exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                           "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) SELECT 1 + i % 20, '标签' || i, '文字' || i, i, i, '宋体', '12', "
                           "'常规' FROM n"));
        q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO Guests (ListID, Name, Sex, Connection, Job, Contact, Remark) "
                              "SELECT 1 + i % 20, '宾客' || i, CASE i % 2 WHEN 0 THEN '男' ELSE '女' END, "
                              "'朋友', '某某有限公司', '138' || i, '' FROM n")
                   .arg(kGuests));
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
    copyEmptyDatabase(path);
    fill(path);

    std::vector<double> open;
    for (int i = 0; i < kRepeats; ++i) {
        CardStore store(path);
        open.push_back(timeMs([&] {
            if (!store.check().isOk())
                std::exit(1);
        }));
    }

    CardStore store(path);
    if (Status s = store.check(); !s.isOk()) {
        std::fprintf(stderr, "%s\n", qPrintable(s.error()));
        return 1;
    }
    std::vector<double> take;
    std::vector<double> restore;
    QString first;
    for (int i = 0; i < kRepeats; ++i) {
        Result<QString> taken = QString();
        take.push_back(timeMs([&] { taken = Snapshots(store).take(QStringLiteral("删除样式 样式1")); }));
        if (!taken.isOk()) {
            std::fprintf(stderr, "%s\n", qPrintable(taken.error()));
            return 1;
        }
        if (first.isEmpty())
            first = taken.value();
        Result<QString> restored = QString();
        restore.push_back(timeMs([&] { restored = Snapshots(store).restore(first); }));
        if (!restored.isOk()) {
            std::fprintf(stderr, "%s\n", qPrintable(restored.error()));
            return 1;
        }
    }
    std::printf("{\n  \"guests\": %d, \"file_mb\": %.1f,\n  \"open_ms\": %.1f, \"snapshot_ms\": %.1f, "
                "\"restore_ms\": %.1f\n}\n",
                kGuests, static_cast<double>(QFileInfo(path).size()) / (1024 * 1024), median(open),
                median(take), median(restore));
    return 0;
}
