// The preview window on a style of the A6 bench card (six CJK labels and the name) with 100,000
// guests: opening until the first card is on screen (the window's 50 ms loader included), and one
// page turn (下一位) until the next card is on screen, at the fitted zoom and at actual size. The window runs
// as the user drives it, on a database file on disk. Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/app/AllocatorTuning.h"
#include "ui/app/Session.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "ui/preview/w_Preview.h"
#include "core/store/CardStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

using namespace bench;

constexpr qint16 kStyle = 7;
constexpr int kGuests = 100000;
constexpr int kOpenings = 9;
constexpr int kTurns = 60;

// The bench card of compare_export.py: the six labels and the name setting, placed alike.
void fill(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (%1, '基准请柬')").arg(kStyle));
    q.exec(QStringLiteral("INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                          "VALUES (%1, 43, 28, 'Noto Serif CJK SC', '18', '粗体')")
               .arg(kStyle));
    const struct
    {
        const char* name;
        const char* text;
        double x, y;
        const char* font;
        int points;
        const char* style;
    } labels[] = {
        {"标题", "婚礼请柬", 37, 10, "Noto Serif CJK SC", 22, "粗体"},
        {"邀请", "诚挚邀请您参加我们的婚礼", 22.9, 45, "Noto Serif CJK SC", 14, "常规"},
        {"时间", "时间：2027年5月1日 中午12时", 12, 66, "Noto Sans CJK SC", 11, "常规"},
        {"地点", "地点：上海市黄浦区和平饭店宴会厅", 12, 76, "Noto Sans CJK SC", 10, "常规"},
        {"落款", "新郎 张伟 · 新娘 李娜 敬邀", 40, 105, "Noto Serif CJK SC", 12, "粗体"},
        {"回复", "请于2027年4月15日前回复是否出席", 30.6, 132, "Noto Sans CJK SC", 8, "粗体"},
    };
    q.prepare(
        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                       "KeyFontStyle) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const auto& l : labels) {
        for (const QVariant& v :
             {QVariant(kStyle), QVariant(QString::fromUtf8(l.name)), QVariant(QString::fromUtf8(l.text)),
              QVariant(l.x), QVariant(l.y), QVariant(QString::fromUtf8(l.font)),
              QVariant(QString::number(l.points)), QVariant(QString::fromUtf8(l.style))})
            q.addBindValue(v);
        q.exec();
    }
    q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "INSERT INTO Guests (ListID, Name) SELECT %2, '宾客' || i FROM n")
               .arg(kGuests)
               .arg(kStyle));
    q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO Guests (ListID, Name) SELECT 100 + i % 50, '别人' || i FROM n"));
    db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Notes when the card label has painted a card.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QLabel* card) : m_card(card) { card->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_card->pixmap().isNull())
            painted = true;
        return false;
    }

private:
    QLabel* m_card;
};

// Processes events until the card has painted (the paint itself included).
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
    tuneAllocatorForPages(); // as the program's own main does
    QApplication app(argc, argv);
    Startup::installFontSubstitutions();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(path);
    fill(path);

    SharedState state;
    state.DbConnectionString = path;
    state.CurrentListID = kStyle;
    state.CurrentListName = QStringLiteral("基准请柬");
    QuietMessages messages(true);
    OnePrinter printer;
    CardStore store(path);
    if (!store.check().isOk())
        return 1;
    bench::NoDialogs dialogs;
    Session session{state, store, printer, messages, dialogs, dialogs};
    std::vector<double> opening, turningFit, turningActual;
    constexpr int kTurnsPerRound = kTurns / kOpenings + 1;

    for (int round = 0; round <= kOpenings; ++round) { // round 0 warms up
        QElapsedTimer timer;
        timer.start();
        w_Preview window(session);
        QLabel* card = window.findChild<QLabel*>(QStringLiteral("L_Card"));
        PaintWatch watch(card);
        window.show();
        untilPainted(watch);
        const double opened = msSince(timer);
        if (window.currentGuest() != 0)
            return 1;

        // Page turns at the window's fitted zoom, then at actual size (a larger picture).
        QPushButton* next = window.findChild<QPushButton*>(QStringLiteral("Cmd_Next"));
        for (std::vector<double>* turning : {&turningFit, &turningActual}) {
            if (turning == &turningActual) {
                window.findChild<QPushButton*>(QStringLiteral("Cmd_Actual"))->click();
                untilPainted(watch);
            }
            for (int turn = 0; turn < kTurnsPerRound; ++turn) {
                timer.restart();
                next->click();
                untilPainted(watch);
                if (round > 0)
                    turning->push_back(msSince(timer));
            }
        }
        if (window.currentGuest() != 2 * kTurnsPerRound)
            return 1;
        if (round > 0)
            opening.push_back(opened);
    }
    std::printf("{\n  \"open_preview_100k_ms\": %.2f,\n  \"preview_page_turn_ms\": %.2f,\n"
                "  \"preview_page_turn_actual_size_ms\": %.2f\n}\n",
                median(opening), median(turningFit), median(turningActual));
    return 0;
}
