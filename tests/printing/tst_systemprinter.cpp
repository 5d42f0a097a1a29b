// Three cards through the real default-printer backend and a real spooler: three separate jobs of
// one page each. Runs only when the default printer is a cups-pdf queue (scripts/test sets one up),
// so a developer's paper printer is never used; with CI=true a missing spooler is a failure.
#include "app/Startup.h"
#include "printing/CardRendering.h"
#include "printing/SystemCardPrinter.h"
#include "PdfMeasure.h"

#include <QDir>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Why the spooler cannot be used for this test, or an empty text when it can.
QString spoolerProblem()
{
    if (!run(QStringLiteral("lpstat"), {QStringLiteral("-r")}).contains(QStringLiteral("is running")))
        return QStringLiteral("the CUPS scheduler is not running");
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return QStringLiteral("there is no default printer");
    const QString device = run(QStringLiteral("lpstat"), {QStringLiteral("-v"), printer.printerName()});
    if (!device.contains(QStringLiteral("cups-pdf:/")))
        return QStringLiteral("the default printer %1 is not a cups-pdf queue").arg(printer.printerName());
    return {};
}

// The ids of the completed jobs of `queue`.
QList<int> completedJobs(const QString& queue)
{
    QList<int> ids;
    const QString listing = run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                                           QStringLiteral("-o"), queue});
    const QRegularExpression line(QStringLiteral("^%1-(\\d+)\\s").arg(QRegularExpression::escape(queue)),
                                  QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(listing); it.hasNext();)
        ids << it.next().captured(1).toInt();
    return ids;
}

} // namespace

class tst_systemprinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void threeCardsAreThreeOnePageJobs()
    {
        const QString problem = spoolerProblem();
        if (!problem.isEmpty()) {
            if (qgetenv("CI") == "true")
                QFAIL(qPrintable(QStringLiteral("the spooler is not set up: %1").arg(problem)));
            QSKIP(qPrintable(
                QStringLiteral("%1; scripts/test sets up a cups-pdf default printer").arg(problem)));
        }
        const QString queue = QPrinterInfo::defaultPrinter().printerName();
        const QList<int> before = completedJobs(queue);

        SystemCardPrinter printer;
        QVERIFY(printer.installedPrinterCount() >= 1);
        printer.setUnitMillimetres();
        printer.setOrigin(0, 0);
        GuestNameSetting setting;
        setting.xMm = 30;
        setting.yMm = 40;
        setting.fontName = QStringLiteral("楷体");
        setting.fontSize = 18;
        setting.styleWord = QStringLiteral("常规");
        CardLabel label;
        label.text = QStringLiteral("敬请光临");
        label.xMm = 30;
        label.yMm = 20;
        label.fontName = QStringLiteral("宋体");
        const QStringList guests{QStringLiteral("赵钱"), QStringLiteral("孙李"), QStringLiteral("周吴")};
        for (const QString& guest : guests) {
            QVERIFY(drawLabels(printer, {label}).isOk());
            QVERIFY(drawGuestName(printer, setting, guest).isOk());
            const Status sent = printer.endDocument();
            QVERIFY2(sent.isOk(), qPrintable(sent.error()));
        }
        // A discarded document never reaches the spooler.
        QVERIFY(drawLabels(printer, {label}).isOk());
        printer.discardDocument();

        QList<int> added;
        QTRY_VERIFY_WITH_TIMEOUT((added =
                                      [&] {
                                          QList<int> now = completedJobs(queue);
                                          for (int id : before)
                                              now.removeAll(id);
                                          return now;
                                      }())
                                         .size() >= 3,
                                 60000);
        QTest::qWait(1000);
        added = completedJobs(queue);
        for (int id : before)
            added.removeAll(id);
        QCOMPARE(added.size(), 3);

        // cups-pdf writes each job to its own file in the job owner's PDF folder. It re-renders the
        // page through PostScript, so the text can be counted there but no longer read.
        const passwd* owner = getpwuid(getuid());
        const QDir out(QDir(owner ? QString::fromLocal8Bit(owner->pw_dir) : QDir::homePath())
                           .filePath(QStringLiteral("PDF")));
        for (int id : added) {
            const QStringList files = out.entryList({QStringLiteral("*job_%1.pdf").arg(id)});
            if (files.isEmpty())
                QSKIP("the jobs completed, but cups-pdf writes its files elsewhere than PDF/ in the home "
                      "folder");
            const QString file = out.filePath(files.first());
            QCOMPARE(pdfPages(file), 1);
            QCOMPARE(pdfWords(file).size(), 2); // the label and the name
        }
    }

    void aJobTheSpoolerRefusesIsReported()
    {
        const QString problem = spoolerProblem();
        if (!problem.isEmpty()) {
            if (qgetenv("CI") == "true")
                QFAIL(qPrintable(QStringLiteral("the spooler is not set up: %1").arg(problem)));
            QSKIP(qPrintable(problem));
        }
        const QString queue = QPrinterInfo::defaultPrinter().printerName();
        if (QProcess::execute(QStringLiteral("cupsreject"), {queue}) != 0)
            QSKIP("this user may not make the queue refuse jobs");
        struct Accept
        {
            QString queue;
            ~Accept() { QProcess::execute(QStringLiteral("cupsaccept"), {queue}); }
        } acceptAgain{queue};

        SystemCardPrinter printer;
        printer.setFontName(QStringLiteral("宋体"));
        printer.setFontSize(12);
        QVERIFY(printer.printText(QStringLiteral("被拒绝的请柬")).isOk());
        const Status sent = printer.endDocument();
        QVERIFY(!sent.isOk());
        QVERIFY2(sent.error().contains(queue) && sent.error().contains(QStringLiteral("拒绝")),
                 qPrintable(sent.error()));
    }
};

QTEST_MAIN(tst_systemprinter)
#include "tst_systemprinter.moc"
