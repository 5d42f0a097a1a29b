// The guest list window on a style with 100,000 guests (and 20,000 guests of other styles):
// opening until the grid shows its first rows, saving one more guest including the grid's refresh,
// and clearing the list. The window runs as the user drives it, on a database file on disk.
// Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"
#include "ui/guests/w_AddGuest.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace bench;

constexpr qint16 kStyle = 500;
constexpr int kGuests = 100000;
constexpr int kRepeats = 9;

void fill(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (%1, '大名单')").arg(kStyle));
    q.exec(QStringLiteral("INSERT INTO GuestXY (ListID) VALUES (%1)").arg(kStyle));
    q.exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO Guests (ListID, Name, Sex, Connection, Job, Contact, Remark, SaveTime) "
                       "SELECT %2, '宾客' || i, CASE i % 3 WHEN 0 THEN NULL WHEN 1 THEN '男' ELSE '女' END, "
                       "'朋友', '某某有限公司', '138' || i, '', '2026-01-01 10:00:00' FROM n")
            .arg(kGuests)
            .arg(kStyle));
    q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO Guests (ListID, Name) SELECT 1 + i % 100, '别人' || i FROM n"));
    db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Notes when the grid has painted rows.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QTableView* view) : m_view(view) { view->viewport()->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_view->model()->rowCount() > 0)
            painted = true;
        return false;
    }

private:
    QTableView* m_view;
};

// Processes events until the grid has painted (the paint itself included).
void untilPainted(PaintWatch& watch)
{
    watch.painted = false;
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString master = dir.filePath(QStringLiteral("master.dat"));
    bench::copyEmptyDatabase(master);
    fill(master);
    const QString path = dir.filePath(QStringLiteral("Date_D.dat"));

    SharedState state;
    state.DbConnectionString = path;
    state.CurrentListID = kStyle;
    state.CurrentListName = QStringLiteral("大名单");
    QuietMessages messages(true);
    OnePrinter printer;
    std::vector<double> opening, saving, clearing;

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
        QTableView* grid = window.findChild<QTableView*>(QStringLiteral("DG_Edit"));
        PaintWatch watch(grid);
        window.show();
        untilPainted(watch);
        const double opened = msSince(timer);
        if (grid->model()->rowCount() != kGuests)
            return 1;

        QLineEdit* name = window.findChild<QLineEdit*>(QStringLiteral("T_Name"));
        QPushButton* save = window.findChild<QPushButton*>(QStringLiteral("Cmd_Save"));
        name->setText(QStringLiteral("新来的宾客%1").arg(round));
        timer.restart();
        save->click();
        untilPainted(watch);
        const double saved = msSince(timer);
        if (grid->model()->rowCount() != kGuests + 1)
            return 1;

        timer.restart();
        window.findChild<QPushButton*>(QStringLiteral("Cmd_CleanAll"))->click();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double cleared = msSince(timer);
        if (grid->model()->rowCount() != 0)
            return 1;

        if (round > 0) {
            opening.push_back(opened);
            saving.push_back(saved);
            clearing.push_back(cleared);
        }
    }
    std::printf("{\n  \"open_guest_window_100k_ms\": %.2f,\n  \"save_one_guest_100k_ms\": %.2f,\n"
                "  \"clear_guest_list_100k_ms\": %.2f\n}\n",
                median(opening), median(saving), median(clearing));
    return 0;
}
