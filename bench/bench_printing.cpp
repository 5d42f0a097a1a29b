// Printing figures: the main window producing cards of a style with 10 labels onto the PDF printer
// Printing figures: the main window producing cards of a style with 10 labels onto the PDF printer
// (time per card, also with a printer's correction stored for the style's printer and paper), the
// same with the 10 labels in columns (竖排) and the name centred and fitted, the resident memory
// over 1,000 cards of one run, and the time per job through the real spooler when the default
// printer is a cups-pdf queue. Prints medians as JSON.
#include "BenchSupport.h"
#include "core/app/AllocatorTuning.h"
#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "core/cards/CardRendering.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/printing/PrinterCatalog.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "core/store/PrinterStore.h"
#include "ui/app/Session.h"
#include "ui/main/w_Main.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace bench;

constexpr int kLabels = 10;
constexpr int kGuests = 1100;
constexpr int kTimedCards = 100;
constexpr int kMemoryCards = 1000;
constexpr int kSpoolerJobs = 9;

// CPU time of this thread: other programs on a busy machine do not stretch it as they do wall time.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void fill(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (1, '婚宴')"));
    q.exec(QStringLiteral("INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                          "VALUES (1, 60, 90, '楷体', '22', '粗体')"));
    q.prepare(
        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                       "KeyFontStyle) VALUES (1, ?, ?, ?, ?, ?, '12', '常规')"));
    for (int i = 0; i < kLabels; ++i) {
        q.addBindValue(QStringLiteral("标签%1").arg(i));
        q.addBindValue(QStringLiteral("谨定于公历二〇二七年五月%1日举行婚礼 敬备喜宴").arg(i + 1));
        q.addBindValue(15 + i);
        q.addBindValue(20 + 12 * i);
        q.addBindValue(i % 2 ? QStringLiteral("宋体") : QStringLiteral("微软雅黑"));
        q.exec();
    }
    // Style 2: the same texts in columns from right to left, the name down a column, centred on its
    // place and fitted to 40 mm (every third name is too long and shrinks).
    q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (2, '竖排')"));
    q.exec(QStringLiteral(
        "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, "
        "keyanchor, keyfitwidth, keyvertical) VALUES (2, 100, 150, '楷体', '22', '粗体', 1, 40, 1)"));
    q.prepare(
        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                       "KeyFontStyle, KeyVertical) VALUES (2, ?, ?, ?, 20, ?, '12', '常规', 1)"));
    for (int i = 0; i < kLabels; ++i) {
        q.addBindValue(QStringLiteral("竖排标签%1").arg(i));
        q.addBindValue(QStringLiteral("谨定于公历二〇二七年五月%1日举行婚礼 敬备喜宴").arg(i + 1));
        q.addBindValue(190 - 8 * i);
        q.addBindValue(i % 2 ? QStringLiteral("宋体") : QStringLiteral("微软雅黑"));
        q.exec();
    }
    q.prepare(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (?, ?)"));
    for (const int style : {1, 2}) {
        for (int i = 0; i < kGuests; ++i) {
            q.addBindValue(style);
            q.addBindValue(style == 2 && i % 3 == 2 ? QStringLiteral("欧阳宾客%1与夫人").arg(i + 1)
                                                    : QStringLiteral("宾客%1").arg(i + 1));
            q.exec();
        }
    }
    db.commit();
    db.close();
}

// The main window on the PDF printer, one card of style `listId` per click of the print button (O_One).
void mainWindowCards(const QString& database, const QString& folder, qint16 listId, const QString& listName,
                     std::vector<double>& perCard, std::vector<double>& cpuPerCard, long& growthKb,
                     int memoryCards = kMemoryCards)
{
    SharedState state;
    state.DbConnectionString = database;
    state.CurrentListID = listId;
    state.CurrentListName = listName;
    QuietMessages messages;
    PdfCardPrinter printer(folder);
    CardStore store(database);
    bench::NoDialogs dialogs;
    Session session{state, store, printer, messages, dialogs, dialogs};
    w_Main window(session);
    window.show();
    QTimer* load = window.findChild<QTimer*>(QStringLiteral("Timer_Load"));
    while (load->isActive())
        QApplication::processEvents();
    window.findChild<QRadioButton*>(QStringLiteral("O_One"))->click();
    QPushButton* print = window.findChild<QPushButton*>(QStringLiteral("Cmd_Print"));

    for (int i = 0; i < 20; ++i) // warm-up: fonts and caches
        print->click();
    for (int i = 0; i < kTimedCards; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        print->click();
        perCard.push_back(timer.nsecsElapsed() / 1e6);
        cpuPerCard.push_back(cpuMs() - cpuStart);
    }
    const long before = residentKb();
    for (int i = 0; i < memoryCards; ++i) {
        print->click();
        if (i % 100 == 99) { // keep the disk use small; the files are not the point here
            for (const QString& f : QDir(folder).entryList({QStringLiteral("*.pdf")}))
                QFile::remove(QDir(folder).filePath(f));
            QApplication::processEvents();
        }
    }
    QApplication::processEvents();
    growthKb = residentKb() - before;
}

bool spoolerIsCupsPdf()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return false;
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-v"), printer.printerName()});
    lpstat.waitForFinished();
    return lpstat.readAllStandardOutput().contains("cups-pdf:/");
}

// The same card through the real spooler: the time until the spooler has taken each job.
std::vector<double> spoolerJobs()
{
    std::vector<double> perJob;
    if (!spoolerIsCupsPdf())
        return perJob;
    QList<Label> labels;
    for (int i = 0; i < kLabels; ++i) {
        Label l;
        l.fontSize = QStringLiteral("12");
        l.text = QStringLiteral("谨定于公历二〇二七年五月%1日举行婚礼 敬备喜宴").arg(i + 1);
        l.xMm = 15 + i;
        l.yMm = 20 + 12 * i;
        l.fontName = i % 2 ? QStringLiteral("宋体") : QStringLiteral("微软雅黑");
        labels << l;
    }
    GuestNameSetting name;
    name.xMm = 60;
    name.yMm = 90;
    name.fontName = QStringLiteral("楷体");
    name.fontSize = QStringLiteral("22");
    name.styleWord = QStringLiteral("粗体");
    SystemCardPrinter printer;
    for (int i = 0; i < kSpoolerJobs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!drawCardFor(printer, CardTemplate(labels, name), GuestFields{QStringLiteral("宾客")}).isOk() ||
            !printer.endDocument().isOk())
            return {};
        perJob.push_back(timer.nsecsElapsed() / 1e6);
    }
    return perJob;
}

} // namespace

int main(int argc, char* argv[])
{
    tuneAllocatorForPages(); // as the program's own main does
    QApplication app(argc, argv);
    Startup::installFontSubstitutions();
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("Date_D.dat"));
    bench::copyEmptyDatabase(database);
    fill(database);
    const QString cards = dir.filePath(QStringLiteral("cards"));
    QDir().mkpath(cards);

    std::vector<double> perCard, cpuPerCard, perColumnsCard, cpuPerColumnsCard;
    long growthKb = 0, columnsGrowthKb = 0;
    mainWindowCards(database, cards, 1, QStringLiteral("婚宴"), perCard, cpuPerCard, growthKb);
    mainWindowCards(database, cards, 2, QStringLiteral("竖排"), perColumnsCard, cpuPerColumnsCard,
                    columnsGrowthKb);
    const std::vector<double> perJob = spoolerJobs();

    // The same cards with a correction stored for the printer and paper the style prints on, in
    // turns with runs without one, so that the machine's load falls on both alike.
    std::vector<double> perPlainCard, cpuPerPlainCard, perCorrectedCard, cpuPerCorrectedCard;
    const CardSheet sheet = PrinterCatalog::resolveSheet(PrintSetting{});
    if (!sheet.printerName.isEmpty()) {
        CardStore store(database);
        long unused = 0;
        for (int turn = 0; turn < 3; ++turn) {
            (void)PrinterStore(store).clearCorrection(sheet.printerName, sheet.paperKey());
            mainWindowCards(database, cards, 1, QStringLiteral("婚宴"), perPlainCard, cpuPerPlainCard, unused,
                            0);
            (void)PrinterStore(store).saveCorrection(sheet.printerName, sheet.paperKey(),
                                                     PageCorrection{0.8, -1.2, 1.003, 0.998});
            mainWindowCards(database, cards, 1, QStringLiteral("婚宴"), perCorrectedCard, cpuPerCorrectedCard,
                            unused, 0);
        }
    }

    std::printf("{\n  \"print_one_card_pdf_10_labels_ms\": %.3f,\n", median(perCard));
    std::printf("  \"print_one_card_pdf_10_labels_cpu_ms\": %.3f,\n", median(cpuPerCard));
    if (perCorrectedCard.empty())
        std::printf("  \"print_one_card_pdf_10_labels_corrected_ms\": null,\n");
    else
        std::printf("  \"print_one_card_pdf_10_labels_uncorrected_turns_ms\": %.3f,\n"
                    "  \"print_one_card_pdf_10_labels_uncorrected_turns_cpu_ms\": %.3f,\n"
                    "  \"print_one_card_pdf_10_labels_corrected_ms\": %.3f,\n"
                    "  \"print_one_card_pdf_10_labels_corrected_cpu_ms\": %.3f,\n",
                    median(perPlainCard), median(cpuPerPlainCard), median(perCorrectedCard),
                    median(cpuPerCorrectedCard));
    std::printf("  \"print_one_card_pdf_10_vertical_labels_fitted_name_ms\": %.3f,\n",
                median(perColumnsCard));
    std::printf("  \"print_one_card_pdf_10_vertical_labels_fitted_name_cpu_ms\": %.3f,\n",
                median(cpuPerColumnsCard));
    std::printf("  \"rss_growth_over_%d_cards_mb\": %.2f,\n", kMemoryCards, growthKb / 1024.0);
    std::printf("  \"rss_growth_over_%d_vertical_cards_mb\": %.2f,\n", kMemoryCards,
                columnsGrowthKb / 1024.0);
    if (perJob.empty())
        std::printf("  \"spooler_job_ms\": null\n}\n");
    else
        std::printf("  \"spooler_job_ms\": %.3f\n}\n", median(perJob));
    return 0;
}
