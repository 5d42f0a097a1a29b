// The foundation's figures on a large database: 1,000 styles, one of them with 50 labels and 100,000
// guests. Measures the main window's load step for that style, the style chooser's list load and the
// deletion of that style. Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"
#include "ui/main/w_Main.h"
#include "ui/styles/w_QJList.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace bench;

constexpr int kStyles = 1000;
constexpr int kBigStyle = 500;
constexpr int kRepeats = 9;

void fill(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (?, ?)"));
    QSqlQuery xy(db);
    xy.prepare(QStringLiteral("INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                              "VALUES (?, 40, 60, '楷体', '16', '粗体')"));
    for (int id = 1; id <= kStyles; ++id) {
        q.addBindValue(id);
        q.addBindValue(QStringLiteral("样式%1").arg(id));
        q.exec();
        xy.addBindValue(id);
        xy.exec();
    }
    q.prepare(
        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                       "KeyFontStyle) VALUES (?, ?, '文字', 10, 20, '宋体', '12', '常规')"));
    for (int i = 0; i < 50; ++i) {
        q.addBindValue(kBigStyle);
        q.addBindValue(QStringLiteral("标签%1").arg(i));
        q.exec();
    }
    q.exec(QStringLiteral(
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
               "INSERT INTO Guests (ListID, Name, SaveTime) SELECT %1, '宾客' || i, '2026-01-01 10:00:00' "
               "FROM n")
               .arg(kBigStyle));
    // A few guests in other styles, so the big style is not alone in the table.
    q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO Guests (ListID, Name) SELECT 1 + i % 1000, '别人' || i FROM n"));
    db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Runs a one-shot loader timer at once and waits until it has switched itself off.
void runLoader(QTimer* timer)
{
    timer->setInterval(0);
    timer->start();
    while (timer->isActive())
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
    QFile::copy(master, path);
    SharedState state;
    state.DbConnectionString = path;
    QuietMessages messages;
    OnePrinter printer;
    std::vector<double> load, list, removal;
    {
        CardStore store(path);
        bench::NoDialogs dialogs;
        Session session{state, store, printer, messages, dialogs, dialogs};
        w_Main main(session);
        main.show();
        state.CurrentListID = kBigStyle;
        state.CurrentListName = QStringLiteral("样式%1").arg(kBigStyle);
        QTimer* timerLoad = main.findChild<QTimer*>(QStringLiteral("Timer_Load"));
        runLoader(timerLoad); // warm up
        for (int i = 0; i < kRepeats; ++i)
            load.push_back(timeMs([&] { runLoader(timerLoad); }));

        for (int i = 0; i < kRepeats; ++i) {
            w_QJList chooser(session, &main);
            chooser.show();
            QTimer* timerList = chooser.findChild<QTimer*>(QStringLiteral("Timer_LoadList"));
            list.push_back(timeMs([&] { runLoader(timerList); }));
            if (chooser.findChild<QComboBox*>()->count() != kStyles)
                return 1;
        }
    }
    for (int i = 0; i < kRepeats; ++i) {
        QFile::remove(path);
        QFile::copy(master, path);
        CardStore store(path);
        if (!store.check().isOk())
            return 1;
        removal.push_back(timeMs([&] {
            if (!store.deleteStyle(kBigStyle).isOk())
                std::exit(1);
        }));
    }
    std::printf("{\n  \"main_window_load_step_ms\": %.2f,\n  \"style_chooser_list_load_ms\": %.2f,\n"
                "  \"delete_style_100k_guests_ms\": %.2f\n}\n",
                median(load), median(list), median(removal));
    return 0;
}
