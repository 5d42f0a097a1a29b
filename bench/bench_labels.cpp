// Figures of the label windows on a large database: 1,000 styles with 20 labels each and one style
// with 500 labels. Measures loading the settings window for the big style, the name check of a new
// label over all styles, adding a label and moving all 500 labels. Prints medians in milliseconds
// as JSON.
#include "BenchSupport.h"
#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "core/store/LabelStore.h"
#include "ui/app/Session.h"
#include "ui/labels/w_PRNSet.h"

#include <QApplication>
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
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO Lists (ListID, ListName) SELECT i, '样式' || i FROM n")
                   .arg(kStyles));
        q.exec(QStringLiteral("INSERT INTO GuestXY (ListID) SELECT ListID FROM Lists"));
        q.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999) "
            "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
            "KeyFontStyle) SELECT 1 + i / 20, '标签' || i, '文字', 10, 20, '宋体', '12', '常规' "
            "FROM n"));
        q.exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 499) "
                           "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) SELECT %1, '大样式标签' || i, '文字', i, 20, '宋体', '12', '常规' "
                           "FROM n")
                .arg(kBigStyle));
        q.exec(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(path);
    fill(path);

    SharedState state;
    state.DbConnectionString = path;
    state.CurrentListID = kBigStyle;
    state.CurrentListName = QStringLiteral("样式%1").arg(kBigStyle);
    QuietMessages messages;
    SystemCardPrinter printer; // never printed to
    CardStore store(path);
    bench::NoDialogs dialogs;
    Session session{state, store, printer, messages, dialogs, dialogs};
    LabelStore labels(store);

    std::vector<double> load, nameCheck, add, move;
    for (int r = 0; r < kRepeats; ++r) {
        w_PRNSet window(session);
        window.show();
        QTimer* timer1 = window.findChild<QTimer*>(QStringLiteral("Timer1"));
        load.push_back(timeMs([&] {
            timer1->setInterval(0);
            timer1->start();
            while (timer1->isActive())
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        }));
        const QString name = QStringLiteral("新标签%1").arg(r);
        nameCheck.push_back(timeMs([&] { (void)labels.labelNameOwner(name); }));
        add.push_back(timeMs([&] {
            (void)labels.addLabel(kBigStyle,
                                  {0, name, QStringLiteral("文字"), 1, 2, "宋体", "12", "常规", {}});
        }));
        move.push_back(timeMs([&] { (void)labels.moveLabels(kBigStyle, MoveDirection::Right, 1); }));
    }
    std::printf("{\"labels_total\": %d, \"big_style_labels\": 500, \"settings_window_load_ms\": %.2f, "
                "\"name_check_ms\": %.3f, \"add_label_ms\": %.2f, \"move_500_labels_ms\": %.2f}\n",
                20000 + 500, median(load), median(nameCheck), median(add), median(move));
    return 0;
}
