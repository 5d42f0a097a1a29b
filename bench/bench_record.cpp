// The print record's figures: writing one card's record (the row written before the hand-over and
// completed after it, two commits), on the disk the temporary folder is on and in /dev/shm where a
// commit waits for no disk; the guest window on a style of 100,000 guests with 100,000 cards in the
// record: opening until the grid has painted, and each filter until it has painted; and bringing
// 500 cards on their way up to date with the real spooler (one request for its jobs, one
// transaction). Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/app/SharedState.h"
#include "core/printing/PrintRecordSync.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "core/store/PrintRecordStore.h"
#include "ui/app/Session.h"
#include "ui/guests/w_AddGuest.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace bench;

constexpr qint16 kStyle = 500;
constexpr int kGuests = 100000;
constexpr int kRepeats = 9;
constexpr int kCards = 200;
constexpr int kOpenCards = 500;

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void run(const QString& path, const QStringList& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        for (const QString& sql : statements) {
            if (!q.exec(sql)) {
                std::fprintf(stderr, "%s\n", qPrintable(sql));
                std::exit(1);
            }
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// A style of 100,000 guests and 100,000 cards: most guests printed, some failed, spoiled or queued,
// one in twenty without a card.
void fillGuestsAndCards(const QString& path)
{
    run(path,
        {QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (%1, '大名单')").arg(kStyle),
         QStringLiteral("INSERT INTO GuestXY (ListID) VALUES (%1)").arg(kStyle),
         QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                        "INSERT INTO Guests (ListID, Name, Sex, Connection, Job, Contact, SaveTime) "
                        "SELECT %2, '宾客' || i, '男', '朋友', '某某有限公司', '138' || i, "
                        "'2026-01-01 10:00:00' FROM n")
             .arg(kGuests)
             .arg(kStyle),
         QStringLiteral("INSERT INTO PrintRecord (ListID, GuestID, Name, Printer, JobID, JobTitle, State, "
                        "SentAt) SELECT ListID, GuestID, Name, 'FennickPDF', GuestID, '请柬', "
                        "CASE WHEN GuestID % 200 = 0 THEN '已排队' WHEN GuestID % 10 = 1 THEN '失败' "
                        "WHEN GuestID % 20 = 2 THEN '作废' ELSE '已打印' END, "
                        "'2026-12-06 14:03:09.250' FROM Guests WHERE GuestID % 20 != 3"),
         // The guests without a card have a second one, so that there are 100,000 cards.
         QStringLiteral("INSERT INTO PrintRecord (ListID, GuestID, Name, Printer, JobID, JobTitle, State, "
                        "SentAt) SELECT ListID, GuestID, Name, 'FennickPDF', GuestID, '请柬', '已打印', "
                        "'2026-12-06 14:04:09.250' FROM Guests WHERE GuestID % 20 = 4")});
}

// Wall and processor time of writing one card's record, the way the run writes it.
void recordWrites(const QString& folder, std::vector<double>& wall, std::vector<double>& cpu)
{
    const QString path = QDir(folder).filePath(QStringLiteral("Date_D.dat"));
    QFile::remove(path);
    bench::copyEmptyDatabase(path);
    CardStore store(path);
    if (!store.check().isOk())
        std::exit(1);
    PrintRecordStore records(store);
    for (int i = 0; i < kCards + 10; ++i) {
        PrintRecord card;
        card.listId = 1;
        card.guestId = i + 1;
        card.name = QStringLiteral("宾客%1").arg(i + 1);
        card.printer = QStringLiteral("FennickPDF");
        card.title = QStringLiteral("请柬 %1 – %2").arg(i + 1).arg(card.name);
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        card.sentAt = PrintRecordStore::timeText(QDateTime::currentDateTime());
        const Result<qint64> id = records.beginCard(card);
        SentJob job;
        job.outcome = SentJob::Outcome::Taken;
        job.printer = card.printer;
        job.id = 1000 + i;
        if (!id.isOk() || !records.finishCard(id.value(), job).isOk())
            std::exit(1);
        if (i >= 10) { // the first ones warm the file up
            wall.push_back(msSince(timer));
            cpu.push_back(cpuMs() - cpuStart);
        }
    }
}

// Processes events until the grid has painted rows.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QTableView* view) : m_view(view) { view->viewport()->installEventFilter(this); }
    void wait()
    {
        m_painted = false;
        while (!m_painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_view->model()->rowCount() > 0)
            m_painted = true;
        return false;
    }

private:
    QTableView* m_view;
    bool m_painted = false;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    std::vector<double> writeWall, writeCpu, shmWall, shmCpu;
    recordWrites(dir.path(), writeWall, writeCpu);
    QTemporaryDir shm(QStringLiteral("/dev/shm/fennick-bench-XXXXXX"));
    if (shm.isValid())
        recordWrites(shm.path(), shmWall, shmCpu);

    const QString master = dir.filePath(QStringLiteral("master.dat"));
    bench::copyEmptyDatabase(master);
    fillGuestsAndCards(master);
    const QString path = dir.filePath(QStringLiteral("guests.dat"));
    SharedState state;
    state.DbConnectionString = path;
    state.CurrentListID = kStyle;
    state.CurrentListName = QStringLiteral("大名单");
    QuietMessages messages(true);
    OnePrinter printer;
    std::vector<double> opening;
    std::vector<std::vector<double>> filtering(4);
    const int filters[] = {1, 3, 4, 0};               // 未打印, 已打印, 失败, back to 全部宾客
    for (int round = 0; round <= kRepeats; ++round) { // round 0 warms up
        QFile::remove(path);
        QFile::copy(master, path);
        CardStore store(path);
        if (!store.check().isOk())
            return 1;
        bench::NoDialogs dialogs;
        Session session{state, store, printer, messages, dialogs, dialogs};
        QElapsedTimer timer;
        timer.start();
        w_AddGuest window(session);
        auto* grid = window.findChild<QTableView*>(QStringLiteral("DG_Edit"));
        PaintWatch watch(grid);
        window.show();
        watch.wait();
        const double opened = msSince(timer);
        if (grid->model()->rowCount() != kGuests) {
            std::fprintf(stderr, "the grid shows %d guests\n", grid->model()->rowCount());
            return 1;
        }
        auto* filter = window.findChild<QComboBox*>(QStringLiteral("Combo_PrintFilter"));
        for (int i = 0; i < 4; ++i) {
            timer.restart();
            filter->setCurrentIndex(filters[i]);
            watch.wait();
            if (round > 0)
                filtering[i].push_back(msSince(timer));
        }
        if (round > 0)
            opening.push_back(opened);
    }

    // 500 cards on their way, with the ids of jobs the spooler has now (the others it never had).
    std::vector<double> refreshing;
    SystemCardPrinter spooler;
    const Result<QList<SpooledJob>> jobs = spooler.spooledJobs();
    int known = 0;
    if (jobs.isOk()) {
        const QString cards = dir.filePath(QStringLiteral("cards.dat"));
        bench::copyEmptyDatabase(cards);
        QStringList rows;
        for (int i = 0; i < kOpenCards; ++i) {
            const bool have = i < jobs.value().size();
            const SpooledJob job = have ? jobs.value().at(i) : SpooledJob{};
            known += have ? 1 : 0;
            rows << QStringLiteral(
                        "INSERT INTO PrintRecord (ListID, GuestID, Name, Printer, JobID, JobTitle, "
                        "State, SentAt) VALUES (1, %1, '宾客', '%2', %3, '', '已排队', "
                        "'2026-12-06 14:03:09.250')")
                        .arg(i + 1)
                        .arg(have ? job.printer : QStringLiteral("FennickPDF"))
                        .arg(have ? job.id : 900000 + i);
        }
        run(cards, rows);
        CardStore store(cards);
        for (int round = 0; round <= kRepeats; ++round) {
            run(cards, {QStringLiteral("UPDATE PrintRecord SET State = '已排队', JobUnknown = 0")});
            QElapsedTimer timer;
            timer.start();
            const Result<RecordSync> sync = PrintRecordSync(store, spooler).refresh();
            if (!sync.isOk() || sync.value().changed == 0) {
                std::fprintf(stderr, "nothing brought up to date: %s\n", qPrintable(sync.error()));
                return 1;
            }
            if (round > 0)
                refreshing.push_back(msSince(timer));
        }
    }

    std::printf("{\n  \"record_one_card_ms\": %.3f,\n  \"record_one_card_cpu_ms\": %.3f,\n",
                median(writeWall), median(writeCpu));
    std::printf("  \"record_one_card_dev_shm_ms\": %.3f,\n  \"record_one_card_dev_shm_cpu_ms\": %.3f,\n",
                median(shmWall), median(shmCpu));
    std::printf("  \"open_guest_window_100k_guests_100k_cards_ms\": %.2f,\n", median(opening));
    std::printf("  \"filter_not_printed_ms\": %.2f,\n  \"filter_printed_ms\": %.2f,\n"
                "  \"filter_failed_ms\": %.2f,\n  \"filter_all_ms\": %.2f,\n",
                median(filtering[0]), median(filtering[1]), median(filtering[2]), median(filtering[3]));
    if (refreshing.empty())
        std::printf("  \"bring_500_cards_up_to_date_ms\": null\n}\n");
    else
        std::printf("  \"bring_500_cards_up_to_date_ms\": %.2f,\n  \"jobs_the_spooler_knew\": %d\n}\n",
                    median(refreshing), known);
    return 0;
}
