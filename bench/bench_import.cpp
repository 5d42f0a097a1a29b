// Importing a guest list of 10,000 guests from .xlsx and from CSV (GBK, as Excel saves it in China)
// into a style that already has 1,000 guests: reading the file, matching the columns, planning
// against the names in the list, and writing all rows in one transaction. Prints medians in
// milliseconds as JSON.
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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
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
