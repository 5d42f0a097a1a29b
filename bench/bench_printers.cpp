// Figures of the printer choice: opening the label and print settings window (its printer and
// paper group asks the spooler for the printers, the chosen one's papers, trays and margins) with
// the printers installed now and with 20 more cups-pdf queues, which it adds for the run and removes
// afterwards (run as root). Timer1's fixed 50 ms wait is left out. Prints medians as JSON.
#include "BenchSupport.h"
#include "core/app/SharedState.h"
#include "core/printing/PrinterCatalog.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"
#include "ui/labels/w_PRNSet.h"

#include <QApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

using namespace bench;

constexpr int kQueues = 20;
constexpr int kRepeats = 15;

// The extra queues, there for as long as this object lives.
struct ExtraQueues
{
    QStringList made;

    bool add()
    {
        for (int i = 1; i <= kQueues; ++i) {
            const QString name = QStringLiteral("FennickBenchQ%1").arg(i, 2, 10, QLatin1Char('0'));
            if (QProcess::execute(QStringLiteral("lpadmin"),
                                  {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                   QStringLiteral("cups-pdf:/fennickbench"), QStringLiteral("-P"),
                                   QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")}) != 0)
                return false;
            made << name;
        }
        return true;
    }
    ~ExtraQueues()
    {
        for (const QString& name : made)
            QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
    }
};

std::vector<double> openSettings(Session& session)
{
    std::vector<double> times;
    for (int r = 0; r < kRepeats; ++r) {
        times.push_back(timeMs([&] {
            w_PRNSet window(session);
            QTimer* timer1 = window.findChild<QTimer*>(QStringLiteral("Timer1"));
            timer1->setInterval(0);
            window.show();
            while (timer1->isActive())
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        }));
    }
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (1, '婚宴')"));
        q.exec(QStringLiteral("INSERT INTO GuestXY (ListID) VALUES (1)"));
        q.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) VALUES (1, '标题', '请柬', 10, 20, '宋体', '24', '常规')"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));

    SharedState state;
    state.DbConnectionString = path;
    state.CurrentListID = 1;
    state.CurrentListName = QStringLiteral("婚宴");
    QuietMessages messages;
    SystemCardPrinter printer; // never printed to
    CardStore store(path);
    bench::NoDialogs dialogs;
    Session session{state, store, printer, messages, dialogs, dialogs};

    (void)openSettings(session); // warm-up: fonts, the spooler's connection
    const qsizetype before = PrinterCatalog::printerNames().size();
    const double now = median(openSettings(session));
    ExtraQueues extra;
    if (!extra.add()) {
        std::fprintf(stderr, "lpadmin could not add the queues (run as root, with cupsd running)\n");
        return 1;
    }
    const qsizetype after = PrinterCatalog::printerNames().size();
    const double more = median(openSettings(session));
    std::printf("{\"printers_before\": %lld, \"open_settings_window_ms\": %.2f, \"printers_after\": %lld, "
                "\"open_settings_window_more_printers_ms\": %.2f}\n",
                static_cast<long long>(before), now, static_cast<long long>(after), more);
    return 0;
}
