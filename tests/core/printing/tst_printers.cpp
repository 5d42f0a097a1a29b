// Cards through the real spooler on queues of the test's own, whose PPDs declare zero, small (2 mm)
// and large (8.5 / 17 mm) hardware margins: the ink lands on the exact printable area, printed and
// exported, on the printers' papers, sizes of the style's own and turned cards; a style's printer,
// paper, tray and job titles reach the spooler; a custom size the printer refuses spoils no card;
// and the calibration round trip from the test sheet to a corrected card.
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "core/cards/CardDrawing.h"
#include "core/cards/CardRendering.h"
#include "core/printing/Calibration.h"
#include "core/printing/CardExport.h"
#include "core/printing/PrintRun.h"
#include "core/printing/PrinterCatalog.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "core/store/PrinterStore.h"
#include "ExportFixture.h"
#include "SpoolerFixture.h"
#include "support/ScriptedFiles.h"
#include "support/ScriptedFonts.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "ui/app/Session.h"
#include "ui/labels/w_Calibrate.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr double kToleranceMm = 0.1;
const QString kZero = u"FennickTestZero"_s;
const QString kSmall = u"FennickTestSmall"_s;
const QString kLarge = u"FennickTestLarge"_s;
const Label kSquare{0, u"方块"_s, QString(QChar(0x25A0)), 10, 10, u"宋体"_s, u"36"_s, u"常规"_s, {}};

// Where the ink of kSquare lies on a true printer: its position plus the glyph's side bearing and
// the room above it, in millimetres from the printable area's corner.
QRectF designedSquareMm()
{
    QTemporaryFile file;
    file.open();
    QPdfWriter device(file.fileName()); // 1200 dpi, as the printers draw
    const QFontMetricsF metrics(cardFont(u"宋体"_s, 36, false, false), &device);
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    const QRectF glyph = metrics.boundingRect(kSquare.text.at(0));
    return QRectF(kSquare.xMm + glyph.left() / dotsPerMm,
                  kSquare.yMm + (metrics.ascent() + glyph.top()) / dotsPerMm, glyph.width() / dotsPerMm,
                  glyph.height() / dotsPerMm);
}

// A box of the card as it lies on the sheet the printer was fed: moved by the margins and, for a
// turned card, turned with it (the card's x runs up the sheet from its bottom-left corner).
QRectF onSheet(const QRectF& cardMm, const CardSheet& sheet)
{
    const QMarginsF m = sheet.marginsMm();
    const QRectF page = cardMm.translated(m.left(), m.top());
    if (!sheet.landscape)
        return page;
    return QRectF(page.top(), sheet.sheetSizeMm().height() - page.right(), page.height(), page.width());
}

bool sameBox(const QRectF& ink, const QRectF& expected)
{
    const bool near = qAbs(ink.left() - expected.left()) < kToleranceMm &&
                      qAbs(ink.top() - expected.top()) < kToleranceMm &&
                      qAbs(ink.right() - expected.right()) < kToleranceMm &&
                      qAbs(ink.bottom() - expected.bottom()) < kToleranceMm;
    if (!near)
        qWarning("ink %.3f %.3f %.3f %.3f, expected %.3f %.3f %.3f %.3f", ink.left(), ink.top(), ink.right(),
                 ink.bottom(), expected.left(), expected.top(), expected.right(), expected.bottom());
    return near;
}

// The ink within 4 mm of where `expected` is: the square, not the guest's name elsewhere.
QRectF inkNear(const QString& pdf, const QRectF& expected)
{
    return inkBoxMm(pdf, expected.adjusted(-4, -4, 4, 4));
}

// Prints kSquare on `sheet` through `correction`; the file cups-pdf wrote for it.
QString printSquare(const CardSheet& sheet, const PageCorrection& correction = {})
{
    SystemCardPrinter printer;
    printer.setSheet(sheet, correction);
    if (!drawCardFor(printer, CardTemplate({kSquare}, GuestNameSetting{}), GuestFields{}).isOk() ||
        !printer.endDocument().isOk())
        return {};
    return TestQueues::fileOfJob(printer.lastJobId());
}

// Style `listId` with kSquare, one guest and the print setting `setting`.
void addSquareStyle(TestDatabase& db, CardStore& store, int listId, const PrintSetting& setting)
{
    db.addStyle(listId, u"样式%1"_s.arg(listId));
    db.exec(u"UPDATE GuestXY SET keyx = 100, keyy = 150 WHERE ListID = ?"_s, {listId});
    db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle) "
            "VALUES (?, ?, ?, 10, 10, '宋体', '36', '常规')"_s,
            {listId, u"方块%1"_s.arg(listId), kSquare.text});
    db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (?, '张伟')"_s, {listId});
    QVERIFY(PrinterStore(store).saveStyleSetting(static_cast<qint16>(listId), setting).isOk());
}

// A printer that puts a point drawn at q (millimetres from the printable corner) at
// margin + offset + scale * q: what a printer feeding a little off does to the ink.
struct OffPrinter
{
    QPointF offsetMm{1.2, -0.8};
    QPointF scale{1.004, 0.997};

    QPointF landed(const QPointF& printedMm, const QMarginsF& m) const
    {
        const QPointF q = printedMm - QPointF(m.left(), m.top());
        return QPointF(m.left() + offsetMm.x() + scale.x() * q.x(),
                       m.top() + offsetMm.y() + scale.y() * q.y());
    }
};

} // namespace

class tst_printers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Startup::installFontSubstitutions();
        const bool spooler = QProcess::execute(u"lpstat"_s, {u"-r"_s}) == 0 &&
                             runTool(u"lpstat"_s, {u"-r"_s}).contains(u"is running"_s);
        if (spooler) {
            m_queues = std::make_unique<TestQueues>(QList<QueueSpec>{
                {kZero, 0, 0, 0, 0, true, true}, {kSmall, 2, 2, 2, 2}, {kLarge, 8.5, 17, 8.5, 17, false}});
        }
        const QString why = !spooler ? u"no running CUPS"_s : m_queues->error();
        if (why.isEmpty())
            return;
        if (qgetenv("CI") == "true")
            QFAIL(qPrintable(u"the test queues cannot be set up: "_s + why));
        QSKIP(qPrintable(u"the test queues cannot be set up ("_s + why + u"); scripts/test runs as root"_s));
    }

    void cleanupTestCase() { m_queues.reset(); }

    // Catches an origin at Qt's default 10 pt or at margins rounded to whole points, swapped axes, a
    // turned card placed by the driver's whim, a page of the wrong size, and an export that differs
    // from the printed card.
    void inkLandsOnThePrintableArea_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QSizeF>("ownSize");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QMarginsF>("margins"); // of the sheet as fed: left, top, right, bottom
        QTest::newRow("zero margins, A4") << kZero << u"A4"_s << QSizeF() << false << QMarginsF(0, 0, 0, 0);
        QTest::newRow("2 mm, A4") << kSmall << u"A4"_s << QSizeF() << false << QMarginsF(2, 2, 2, 2);
        QTest::newRow("8.5/17 mm, A4")
            << kLarge << u"A4"_s << QSizeF() << false << QMarginsF(8.5, 17, 8.5, 17);
        QTest::newRow("2 mm, own 185x260")
            << kSmall << QString() << QSizeF(185, 260) << false << QMarginsF(2, 2, 2, 2);
        QTest::newRow("zero, own 210x140") << kZero << QString() << QSizeF(210, 140) << false << QMarginsF();
        QTest::newRow("8.5/17 mm, A5 turned")
            << kLarge << u"A5"_s << QSizeF() << true << QMarginsF(8.5, 17, 8.5, 17);
    }

    void inkLandsOnThePrintableArea()
    {
        QFETCH(QString, queue);
        QFETCH(QString, paper);
        QFETCH(QSizeF, ownSize);
        QFETCH(bool, landscape);
        QFETCH(QMarginsF, margins);
        PrintSetting setting;
        setting.printer = queue;
        setting.paperKey = paper;
        setting.customSizeMm = ownSize;
        setting.landscape = landscape;
        const CardSheet sheet = PrinterCatalog::resolveSheet(setting);
        QVERIFY2(sheet.notice.isEmpty() && sheet.printerName == queue && sheet.paperAccepted,
                 qPrintable(sheet.notice));
        const QMarginsF found = sheet.sheetMarginsMm;
        QVERIFY(qAbs(found.left() - margins.left()) + qAbs(found.top() - margins.top()) +
                    qAbs(found.right() - margins.right()) + qAbs(found.bottom() - margins.bottom()) <
                0.05);

        const QString printed = printSquare(sheet);
        QVERIFY(!printed.isEmpty());
        const QSizeF page = pageSizeMm(printed);
        QVERIFY2(qAbs(page.width() - sheet.sheetSizeMm().width()) < kToleranceMm &&
                     qAbs(page.height() - sheet.sheetSizeMm().height()) < kToleranceMm,
                 qPrintable(pdfInfo(printed)));
        QVERIFY(sameBox(inkBoxMm(printed), onSheet(designedSquareMm(), sheet)));

        CardSet cards;
        cards.labels = {kSquare};
        cards.guests.append(1, GuestFields{});
        QTemporaryDir dir;
        const QString exported = dir.filePath(u"export.pdf"_s);
        QCOMPARE(exportCards(cards, sheet.cardLayout(), exported).value(), ExportEnd::Written);
        const QMarginsF m = sheet.marginsMm();
        QVERIFY(sameBox(inkBoxMm(exported), designedSquareMm().translated(m.left(), m.top())));
    }

    // Catches a style's printer, paper or tray that does not reach the job, a title mangled on its
    // way to the spooler, a vanished printer that stops printing or goes unmentioned, and a size the
    // printer cannot take that is found out only on a spoiled card.
    void aStylesSettingsReachTheSpooler()
    {
        TestDatabase db;
        CardStore store(db.path());
        PrintSetting manualFeed;
        manualFeed.printer = kZero;
        manualFeed.paperSource = u"Manual"_s;
        addSquareStyle(db, store, 1, manualFeed);
        SystemCardPrinter printer;
        ScriptedMessages messages;
        PrintRun run(store, printer, messages);
        QVERIFY(run.load(1, u"样式1"_s));
        QCOMPARE(run.printerStatus(), u"打印机：FennickTestZero，未校准\n纸张：A4（210×297 毫米）纵向"_s);
        QCOMPARE(run.target().sheet.paperSourceName, u"手动进纸"_s);
        run.press(PrintRun::Mode::OneByOne);
        QVERIFY2(messages.shown().isEmpty(), qPrintable(messages.count() ? messages.last().text : QString()));
        const QString file = TestQueues::fileOfJob(printer.lastJobId());
        QVERIFY(!file.isEmpty());
        QCOMPARE(spooledJob(printer.lastJobId()).name, u"请柬 1 – 张伟"_s);
        QCOMPARE(spooledJob(printer.lastJobId()).inputSlot, u"Manual"_s);
        QVERIFY(sameBox(inkNear(file, designedSquareMm()), designedSquareMm()));
        QCOMPARE(PrinterCatalog::paperSources(kSmall).size(), 0); // one tray: no choice

        PrintSetting gone;
        gone.printer = u"已拆除的打印机"_s;
        addSquareStyle(db, store, 2, gone);
        QVERIFY(run.load(2, u"样式2"_s));
        QVERIFY2(run.printerStatus().startsWith(
                     u"样式指定的打印机“已拆除的打印机”已不存在，改用系统默认打印机“%1”。\n"_s.arg(
                         PrinterCatalog::defaultPrinterName())),
                 qPrintable(run.printerStatus()));

        PrintSetting ownSize;
        ownSize.printer = kLarge;
        ownSize.customSizeMm = QSizeF(185, 260);
        addSquareStyle(db, store, 3, ownSize);
        const int jobsBefore = printer.lastJobId();
        QVERIFY(run.load(3, u"样式3"_s));
        run.press(PrintRun::Mode::Automatic);
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.last().text.contains(u"不能使用自定义尺寸的纸张（185×260 毫米）"_s),
                 qPrintable(messages.last().text));
        QCOMPARE(run.state(), PrintRun::State::Ready);
        QCOMPARE(printer.lastJobId(), jobsBefore);
    }

    // Catches an exporter that lays the cards out on another printer's printable area than the
    // one it is told, or on the style's paper when told another.
    void exporterTakesThePrintersMargins()
    {
        TestDatabase db;
        addExportStyle(db, 1, u"婚宴"_s, {u"张三"_s});
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"cards.pdf"_s);
        QProcess exporter;
        exporter.start(QStringLiteral(FENNICK_EXPORT_BIN),
                       {u"--db"_s, db.path(), u"--style"_s, u"婚宴"_s, u"--out"_s, pdf, u"--printer"_s,
                        kLarge, u"--paper"_s, u"A5"_s});
        QVERIFY(exporter.waitForFinished(60000) && exporter.exitCode() == 0);
        const QSizeF a5 = pageSizeMm(pdf);
        QVERIFY2(qAbs(a5.width() - 148) < 0.6 && qAbs(a5.height() - 210) < 0.6, qPrintable(pdfInfo(pdf)));
        const PageWord name = findWord(pageWords(pdf, 1), u"张三"_s);
        QVERIFY2(qAbs(name.leftMm - (8.5 + 30)) < 0.5 && qAbs(name.topMm - (17 + 35)) < 0.5,
                 qPrintable(u"%1, %2"_s.arg(name.leftMm).arg(name.topMm)));
    }

    // Catches a correction that moves the ink by anything but its offset or scales about another
    // point, one applied to the preview's export or to another printer, and a second test sheet
    // that does not land true: the whole round trip from the test sheet to a corrected card.
    void calibrationRoundTrip()
    {
        TestDatabase db;
        CardStore store(db.path());
        PrintSetting onSmall;
        onSmall.printer = kSmall;
        addSquareStyle(db, store, 1, onSmall);
        PrintSetting onZero;
        onZero.printer = kZero;
        addSquareStyle(db, store, 2, onZero);
        const CardSheet sheet = PrinterCatalog::resolveSheet(onSmall);
        const QMarginsF m = sheet.marginsMm();
        const QRectF uncorrected =
            inkNear(printSquare(sheet), designedSquareMm().translated(m.left(), m.top()));
        QVERIFY(sameBox(uncorrected, designedSquareMm().translated(m.left(), m.top())));

        SharedState state;
        SystemCardPrinter printer;
        ScriptedMessages messages;
        ScriptedFonts fonts;
        ScriptedFiles files;
        Session session{state, store, printer, messages, fonts, files};
        const OffPrinter off;
        const auto measureSheet = [&](w_Calibrate& window) {
            QTest::mouseClick(window.findChild<QPushButton*>(u"Cmd_PrintSheet"_s), Qt::LeftButton);
            const QString file = TestQueues::fileOfJob(printer.lastJobId());
            const CalibrationMarks marks = calibrationMarks(sheet);
            return std::pair{off.landed(crossHairMm(file, fromPaperEdges(marks.a, sheet)), m),
                             off.landed(crossHairMm(file, fromPaperEdges(marks.b, sheet)), m)};
        };
        w_Calibrate window(session, sheet);
        const auto [a, b] = measureSheet(window);
        const QStringList boxes{u"T_AX"_s, u"T_AY"_s, u"T_BX"_s, u"T_BY"_s};
        const double measured[] = {a.x(), a.y(), b.x(), b.y()};
        for (int i = 0; i < 4; ++i)
            window.findChild<QLineEdit*>(boxes[i])->setText(QString::number(measured[i], 'f', 2));
        QTest::mouseClick(window.findChild<QPushButton*>(u"Cmd_Compute"_s), Qt::LeftButton);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Cmd_Save"_s), Qt::LeftButton);
        const std::optional<PageCorrection> stored =
            PrinterStore(store).correction(kSmall, sheet.paperKey()).value();
        QVERIFY2(stored, qPrintable(messages.count() ? messages.last().text : QString()));

        // The card moves by exactly the offset and stretches about the printable area's corner; on
        // the paper of the printer that feeds off it lands where it was designed.
        PrintRun run(store, printer, messages);
        QVERIFY(run.load(1, u"样式1"_s));
        QVERIFY(run.printerStatus().contains(stored->describe()));
        run.press(PrintRun::Mode::OneByOne);
        const QRectF corrected = inkNear(TestQueues::fileOfJob(printer.lastJobId()), uncorrected);
        const auto moved = [&](const QPointF& p) {
            return QPointF(m.left() + stored->offsetXMm + stored->scaleX * (p.x() - m.left()),
                           m.top() + stored->offsetYMm + stored->scaleY * (p.y() - m.top()));
        };
        QVERIFY(sameBox(corrected, QRectF(moved(uncorrected.topLeft()), moved(uncorrected.bottomRight()))));
        QVERIFY(sameBox(QRectF(off.landed(corrected.topLeft(), m), off.landed(corrected.bottomRight(), m)),
                        uncorrected));

        // The second test sheet, printed through the correction, lands true.
        const auto [trueA, trueB] = measureSheet(window);
        const CalibrationMarks marks = calibrationMarks(sheet);
        for (const auto& [landed, mark] : {std::pair{trueA, marks.a}, std::pair{trueB, marks.b}}) {
            const QPointF expected = fromPaperEdges(mark, sheet);
            QVERIFY2(qAbs(landed.x() - expected.x()) < kToleranceMm &&
                         qAbs(landed.y() - expected.y()) < kToleranceMm,
                     qPrintable(u"%1, %2"_s.arg(landed.x()).arg(landed.y())));
        }

        // Another printer, and the export, show the design.
        QVERIFY(run.load(2, u"样式2"_s));
        run.press(PrintRun::Mode::OneByOne);
        QVERIFY(sameBox(inkNear(TestQueues::fileOfJob(printer.lastJobId()), designedSquareMm()),
                        designedSquareMm()));
        const Result<CardSet> cards = loadCardSet(store, 1, u"样式1"_s);
        QTemporaryDir dir;
        QCOMPARE(exportCards(cards.value(), sheet.cardLayout(), dir.filePath(u"c.pdf"_s)).value(),
                 ExportEnd::Written);
        QVERIFY(sameBox(inkNear(dir.filePath(u"c.pdf"_s), uncorrected), uncorrected));
    }

private:
    std::unique_ptr<TestQueues> m_queues;
};

QTEST_MAIN(tst_printers)
#include "tst_printers.moc"
