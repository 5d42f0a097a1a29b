// Importing a guest list of 10,000 guests from .xlsx and CSV (GBK, as Excel saves it in China)
// into a style that already has 1,000 guests: reading the file, matching the columns, planning
// against the names in the list, and writing all rows in one transaction. Prints medians in
// milliseconds as JSON.
//
// With arguments it measures one large list instead, in a process of its own so that its peak
// memory can be read with /usr/bin/time -v:
//   bench_import --write-csv FILE ROWS   writes a UTF-8 CSV of ROWS guests
//   bench_import --read FILE             reads it as the import window does (reading, matching,
//                                        planning, writing into a fresh database) and prints the
//                                        times and the peak resident memory
#include "BenchSupport.h"
#include "core/guestlists/GuestColumns.h"
#include "core/guestlists/ImportPlan.h"
#include "core/guestlists/ImportSource.h"
#include "core/store/CardStore.h"
#include "core/store/GuestTransferStore.h"
#include "XlsxFixture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

namespace {

using namespace bench;

constexpr int kGuests = 10000;
constexpr int kRepeats = 9;

QList<QStringList> guestRows()
{
    QList<QStringList> rows{{"宾客姓名", "性别", "关系", "工作单位", "手机", "备注"}};
    const QStringList relations{"亲戚", "同事", "朋友", "同学", "领导", "商业伙伴"};
    for (int i = 0; i < kGuests; ++i) {
        rows << QStringList{
            QStringLiteral("宾客%1").arg(i),    i % 2 ? QStringLiteral("男") : QStringLiteral("女"),
            relations.at(i % relations.size()), QStringLiteral("某某有限公司第%1分公司").arg(i % 97),
            QString::number(13800000000LL + i), i % 5 ? QString() : QStringLiteral("素食，带一位家属")};
    }
    return rows;
}

struct Figures
{
    std::vector<double> read, write, total;
};

// One import of `path` into style 1; the imported rows are removed again afterwards (not timed).
bool importOnce(const QString& path, CardStore& store, Figures& figures)
{
    QElapsedTimer timer;
    timer.start();
    Result<ImportSource> source = ImportSource::open(path);
    if (!source.isOk()) {
        std::fprintf(stderr, "%s\n", qPrintable(source.error()));
        return false;
    }
    GuestTransferStore transfer(store);
    const Result<QSet<QString>> names = transfer.names(1);
    const ImportPlan plan =
        ImportPlan::build(source.value().table(), GuestColumns::guess(source.value().table()), names.value());
    const QList<GuestFields> guests = plan.accepted(false);
    const double read = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const Status written = transfer.addAll(1, guests, QDateTime::currentDateTime());
    const double total = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!written.isOk() || guests.size() != kGuests) {
        std::fprintf(stderr, "import failed: %s (%lld guests)\n", qPrintable(written.error()),
                     static_cast<long long>(guests.size()));
        return false;
    }
    figures.read.push_back(read);
    figures.write.push_back(total - read);
    figures.total.push_back(total);

    QSqlQuery cleanup(store.database());
    cleanup.exec(QStringLiteral("DELETE FROM Guests WHERE ListID = 1 AND Name LIKE '宾客%'"));
    return true;
}

int writeCsv(const QString& path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const QStringList relations{"亲戚", "同事", "朋友", "同学", "领导", "商业伙伴"};
    file.write("宾客姓名,性别,关系,工作单位,手机,备注\r\n");
    for (int i = 0; i < rows; ++i) {
        const QString row = QStringLiteral("宾客%1,%2,%3,某某有限公司第%4分公司,%5,%6\r\n")
                                .arg(i)
                                .arg(i % 2 ? QStringLiteral("男") : QStringLiteral("女"))
                                .arg(relations.at(i % relations.size()))
                                .arg(i % 97)
                                .arg(13800000000LL + i)
                                .arg(i % 5 ? QString() : QStringLiteral("素食，带一位家属"));
        file.write(row.toUtf8());
    }
    return file.error() == QFileDevice::NoError ? 0 : 1;
}

// One large import as the window makes it; the peak memory of the process is what counts.
int readLarge(const QString& path)
{
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(dbPath);
    CardStore store(dbPath);
    if (!store.check().isOk())
        return 1;
    QSqlQuery(store.database())
        .exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (1, '婚礼')"));

    QElapsedTimer timer;
    timer.start();
    Result<ImportSource> source = ImportSource::open(path);
    if (!source.isOk()) {
        std::fprintf(stderr, "%s\n", qPrintable(source.error()));
        return 1;
    }
    const double read = msSince(timer);
    const SheetTable& table = source.value().table();
    const ImportPlan plan = ImportPlan::build(table, GuestColumns::guess(table), {});
    const double planned = msSince(timer);
    const QList<int> accepted = plan.acceptedIndexes(false);
    const Status written = GuestTransferStore(store).addAll(
        1, static_cast<int>(accepted.size()), [&](int i) { return plan.guest(accepted.at(i)).fields; },
        QDateTime::currentDateTime());
    if (!written.isOk()) {
        std::fprintf(stderr, "%s\n", qPrintable(written.error()));
        return 1;
    }
    const double total = msSince(timer);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("{\n  \"file_mb\": %.1f, \"rows\": %d, \"guests\": %lld,\n  \"read_ms\": %.0f, "
                "\"plan_ms\": %.0f, \"write_ms\": %.0f, \"peak_rss_mb\": %.0f\n}\n",
                static_cast<double>(QFileInfo(path).size()) / (1024 * 1024), table.rowCount(),
                static_cast<long long>(accepted.size()), read, planned - read, total - planned,
                static_cast<double>(usage.ru_maxrss) / 1024);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--write-csv"))
        return writeCsv(args.at(2), args.at(3).toInt());
    if (args.size() == 3 && args.at(1) == QLatin1String("--read"))
        return readLarge(args.at(2));
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(dbPath);
    CardStore store(dbPath);
    if (Status s = store.check(); !s.isOk())
        return 1;
    {
        QSqlQuery q(store.database());
        q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (1, '婚礼')"));
        q.exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                           "INSERT INTO Guests (ListID, Name) SELECT 1, '老朋友' || i FROM n"));
    }

    const QList<QStringList> rows = guestRows();
    const QString xlsx = dir.filePath(QStringLiteral("guests.xlsx"));
    if (!XlsxFixture::writeRows(xlsx, rows))
        return 1;
    QString csvText;
    for (const QStringList& row : rows)
        csvText += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    const QString csv = dir.filePath(QStringLiteral("guests.csv"));
    {
        QFile file(csv);
        file.open(QIODevice::WriteOnly);
        QStringEncoder gbk("GB18030");
        file.write(gbk.encode(csvText));
    }

    Figures fromXlsx;
    Figures fromCsv;
    for (int i = 0; i < kRepeats; ++i) {
        if (!importOnce(xlsx, store, fromXlsx) || !importOnce(csv, store, fromCsv))
            return 1;
    }
    std::printf("{\n  \"guests\": %d,\n"
                "  \"xlsx_read_ms\": %.1f, \"xlsx_write_ms\": %.1f, \"xlsx_total_ms\": %.1f,\n"
                "  \"csv_gbk_read_ms\": %.1f, \"csv_gbk_write_ms\": %.1f, \"csv_gbk_total_ms\": %.1f\n}\n",
                kGuests, median(fromXlsx.read), median(fromXlsx.write), median(fromXlsx.total),
                median(fromCsv.read), median(fromCsv.write), median(fromCsv.total));
    return 0;
}
