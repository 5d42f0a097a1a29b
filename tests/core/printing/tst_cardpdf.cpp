// Cards written to PDF and measured in the files: positions in millimetres from the printable
// area's corner, sizes in points, one file per card, the export of a whole style, and cards through
// a real spooler; and the preview: the same ink as the printed card, stepping through guests, and
// texts that will not print whole.
#include "core/app/Startup.h"
#include "core/cards/CardDrawing.h"
#include "core/cards/CardPreview.h"
#include "core/cards/CardRendering.h"
#include "core/printing/CardExport.h"
#include "core/printing/CardPage.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/printing/PrinterCatalog.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/PrinterStore.h"
#include "ExportFixture.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/preview/w_Preview.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextPlacement)

namespace {

constexpr double kToleranceMm = 0.5;

// A trimmed label, a label of three lines and one at the corner, and a name in italics.
const QList<Label> kLabels{{0, "题词", "  敬请光临  ", 20, 30, "宋体", "12", "常规", {}},
                           {0, "分组", "甲组\n戊组\r\n庚组", 50.5, 80, "微软雅黑", "16", "粗体", {}},
                           {0, "题名", "题名", 0, 0, "宋体", "24", "常规", {}}};
const GuestNameSetting kName{40, 120.25, "楷体", "20", "斜体", {}};

// Whether `text` is on `words` with its box's corner at (`x`, `y`) mm; says where it is if not.
bool landsAt(const QList<PageWord>& words, const QString& text, double x, double y)
{
    const PageWord w = findWord(words, text);
    if (!w.text.isEmpty() && qAbs(w.leftMm - x) < kToleranceMm && qAbs(w.topMm - y) < kToleranceMm)
        return true;
    qWarning("%s at (%.2f, %.2f), expected (%.2f, %.2f)", qPrintable(text), w.leftMm, w.topMm, x, y);
    return false;
}

// Prints one card of `labels` and `name` for `guest` onto a PDF printer in `folder`.
QString printCard(const QString& folder, const QPageLayout& layout, const GuestNameSetting& name,
                  const QString& guest, const QList<Label>& labels = kLabels)
{
    PdfCardPrinter printer(folder, layout);
    printer.setUnitMillimetres();
    printer.setOrigin(0, 0);
    if (!drawCardFor(printer, CardTemplate(labels, name), GuestFields{guest}).isOk() ||
        !printer.endDocument().isOk() || printer.writtenFiles().size() != 1)
        return {};
    return printer.writtenFiles().first();
}

// The 1 mm cells of `image` (at `dpi`) that hold ink darker than `threshold`: 128 for clear ink, more
// for the faint ink of a thin stroke that antialiasing has spread over two pixels.
QSet<QPair<int, int>> inkCells(const QImage& image, double dpi, int threshold = 128)
{
    QSet<QPair<int, int>> cells;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (grey.constScanLine(y)[x] < threshold)
                cells.insert({int(x * 25.4 / dpi), int(y * 25.4 / dpi)});
    return cells;
}

// The left and right ends in millimetres of the ink inside `area` of `image` (at `dpi`), measured
// from `originX`; {-1, -1} without ink.
QPair<double, double> inkEndsMm(const QImage& image, const QRect& area, double originX, double dpi)
{
    int left = -1;
    int right = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 245) { // faint too: a glyph is a few pixels at 适合窗口
                left = left < 0 ? x : std::min(left, x);
                right = std::max(right, x + 1);
            }
    const double dotsPerMm = dpi / 25.4;
    return left < 0 ? QPair<double, double>(-1, -1)
                    : QPair<double, double>((left - originX) / dotsPerMm, (right - originX) / dotsPerMm);
}

// Cells of `a` with no ink in `b` at the same cell or a neighbour.
int unmatched(const QSet<QPair<int, int>>& a, const QSet<QPair<int, int>>& b)
{
    int count = 0;
    for (const auto& c : a) {
        bool near = false;
        for (int d = 0; d < 9; ++d)
            near = near || b.contains({c.first + d % 3 - 1, c.second + d / 3 - 1});
        count += near ? 0 : 1;
    }
    return count;
}

// Shows the preview of style 1 (made with `guests` unless there are none) once it has drawn.
std::unique_ptr<w_Preview> preview(TestSession& t, const QStringList& guests)
{
    if (!guests.isEmpty())
        addExportStyle(t.db, 1, u"婚宴"_s, guests);
    t.choose(1, u"婚宴"_s);
    auto w = std::make_unique<w_Preview>(t.session);
    w->show();
    waitFor(*w, "Timer1");
    return w;
}

// The preview's note under the card, and "+red" when anything on the card is outlined in red.
QString marks(w_Preview& w)
{
    const QImage image = child<QLabel>(w, "L_Card")->pixmap().toImage();
    bool red = false;
    for (int y = 0; y < image.height() && !red; ++y)
        for (int x = 0; x < image.width() && !red; ++x)
            red = image.pixel(x, y) == qRgb(255, 0, 0);
    return labelText(w, "L_Note") + (red ? u"+red"_s : QString());
}

// The ids of the completed jobs of `queue`.
QList<int> completedJobs(const QString& queue)
{
    QList<int> ids;
    const QString listing = runTool(u"lpstat"_s, {u"-W"_s, u"completed"_s, u"-o"_s, queue});
    const QRegularExpression line(u"^%1-(\\d+)\\s"_s.arg(QRegularExpression::escape(queue)),
                                  QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(listing); it.hasNext();)
        ids << it.next().captured(1).toInt();
    return ids;
}

} // namespace

class tst_cardpdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches texts drawn off their place (margins, trimming, line spacing) and sizes taken as pixels.
    void textsLandAtTheirPositionsInPoints()
    {
        const QMarginsF margins(7, 11, 5, 5);
        QTemporaryDir dir;
        const QString file = printCard(
            dir.path(),
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins, QPageLayout::Millimeter),
            kName, u"张三"_s);
        QCOMPARE(pageCount(file), 1);
        const QList<PageWord> words = pageWords(file, 1);

        QPdfWriter metrics(dir.filePath(u"metrics.pdf"_s));
        const double lineMm =
            QFontMetricsF(cardFont(u"微软雅黑"_s, 16, true, false), &metrics).lineSpacing() * 25.4 /
            metrics.logicalDpiY();
        const double x0 = margins.left(), y0 = margins.top();
        QVERIFY(landsAt(words, u"敬请光临"_s, x0 + 20, y0 + 30)); // ASCII spaces trimmed
        QVERIFY(landsAt(words, u"甲组"_s, x0 + 50.5, y0 + 80));
        QVERIFY(landsAt(words, u"戊组"_s, x0 + 50.5, y0 + 80 + lineMm));
        QVERIFY(landsAt(words, u"庚组"_s, x0 + 50.5, y0 + 80 + 2 * lineMm));
        QVERIFY(landsAt(words, u"题名"_s, x0, y0));
        QVERIFY(landsAt(words, u"张三"_s, x0 + 40, y0 + 120.25));

        // A 12-point cell is 12 points times the face's cell height per point; 24 points is twice that.
        QFont unit = cardFont(u"宋体"_s, 12, false, false);
        unit.setPixelSize(1000);
        const double cellMmPerPoint = QFontMetricsF(unit).height() / 1000.0 * pointsToMm(1);
        const PageWord small = findWord(words, u"敬请光临"_s), large = findWord(words, u"题名"_s);
        QVERIFY2(qAbs(small.bottomMm - small.topMm - 12 * cellMmPerPoint) < kToleranceMm,
                 qPrintable(QString::number(small.bottomMm - small.topMm)));
        QVERIFY(qAbs(large.bottomMm - large.topMm - 24 * cellMmPerPoint) < kToleranceMm);
    }

    // Catches cards sharing a file, overwriting an earlier file, and a failed or discarded card
    // leaving a file or using up a number; a folder that cannot be written is no success.
    void eachCardIsItsOwnFileAndDiscardedOnesLeaveNone()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"卡片"_s);
        PdfCardPrinter printer(folder);
        printer.setFontName(u"宋体"_s);
        printer.setFontSize(12);
        const Status missing = printer.printText(u"甲"_s);
        QVERIFY(!missing.isOk() && missing.error().contains(folder) && !printer.documentOpen());

        QVERIFY(QDir().mkpath(folder));
        QFile existing(folder + u"/card-0002.pdf"_s);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("kept") == 4);
        existing.close();
        QVERIFY(printer.printText(u"甲"_s).isOk() && printer.endDocument().isOk());
        QVERIFY(printer.printText(u"作废"_s).isOk());
        printer.discardDocument();
        QVERIFY(printer.printText(u"乙"_s).isOk() && printer.printText(u"丙"_s).isOk());
        QVERIFY(printer.endDocument().isOk());

        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 QStringList({"card-0001.pdf", "card-0002.pdf", "card-0003.pdf"}));
        QCOMPARE(QFileInfo(existing).size(), 4); // still "kept"
        const QStringList written = printer.writtenFiles();
        QCOMPARE(written, QStringList({folder + u"/card-0001.pdf"_s, folder + u"/card-0003.pdf"_s}));
        QCOMPARE(pageWords(written[0], 1).size(), 1);
        QCOMPARE(pageWords(written[1], 1).size(), 2);
        QCOMPARE(pageCount(written[1]), 1);
    }

    // Catches a cancelled export leaving a part file or spoiling the file it would have replaced.
    // (Pages in order, one per guest of the style alone, are the exporter program's test; texts at
    // their place on an export with margins, the printer test's.)
    void cancelledExportLeavesNoFile()
    {
        TestDatabase db;
        addExportStyle(db, 1, u"婚宴"_s, {u"张三"_s, u"李四"_s, u"刘洋"_s});
        CardStore store(db.path());
        const Result<CardSet> cards = loadCardSet(store, 1, u"婚宴"_s);
        QVERIFY(cards.isOk());
        QTemporaryDir out;
        const QString file = out.filePath(u"婚宴.pdf"_s);
        QCOMPARE(exportCards(cards.value(), defaultCardPageLayout(), file).value(), ExportEnd::Written);
        QCOMPARE(pageCount(file), 3);
        const auto cancelOnSecond = [](int pages, int) { return pages < 2; };
        for (const QString& target : {file, out.filePath(u"新.pdf"_s)})
            QCOMPARE(exportCards(cards.value(), defaultCardPageLayout(), target, cancelOnSecond).value(),
                     ExportEnd::Cancelled);
        QCOMPARE(pageCount(file), 3);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"婚宴.pdf"_s});
    }

    // Catches a preview that draws anything other than what prints; it must see a name 3 mm off.
    void previewDrawsTheInkOfThePrintedCard_data()
    {
        QTest::addColumn<TextPlacement>("placement"); // of every label and of the name
        QTest::newRow("plain") << TextPlacement{};
        QTest::newRow("centred, fitted") << TextPlacement{TextAnchor::Centre, 20, false};
        QTest::newRow("columns") << TextPlacement{TextAnchor::Right, 0, true};
    }

    void previewDrawsTheInkOfThePrintedCard()
    {
        QFETCH(TextPlacement, placement);
        const double dpi = 100;
        const QPageLayout a4 = PdfCardPrinter::defaultLayout();
        QList<Label> labels = kLabels;
        for (Label& label : labels)
            label.placement = placement;
        labels[2].xMm = labels[2].yMm = 60; // off the corner, where an anchor would push it off the page
        GuestNameSetting name = kName;
        name.placement = placement;
        QTemporaryDir dir;
        const QString png = dir.filePath(u"card"_s);
        QCOMPARE(
            QProcess::execute(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, QString::number(dpi), u"-singlefile"_s,
                                              printCard(dir.path(), a4, name, u"欧阳娜娜"_s, labels), png}),
            0);
        const QImage printed(png + u".png"_s);
        QVERIFY(inkCells(printed, dpi).size() > 100);
        const auto shown = [&](const GuestNameSetting& setting) {
            const CardPreviewImage p =
                renderCardPreview(a4, CardTemplate(labels, setting), GuestFields{u"欧阳娜娜"_s}, dpi);
            return p.image.copy(p.printableRect.toRect());
        };
        // Clear ink on either side has at least faint ink near it on the other.
        const auto strayCells = [dpi](const QImage& a, const QImage& b) {
            return unmatched(inkCells(a, dpi), inkCells(b, dpi, 224));
        };
        QCOMPARE(strayCells(printed, shown(name)), 0);
        QCOMPARE(strayCells(shown(name), printed), 0);
        GuestNameSetting moved = name;
        moved.xMm += 3;
        QVERIFY(strayCells(shown(moved), printed) > 5);
    }

    void previewLinesAreAsLongAsPrinted_data()
    {
        QTest::addColumn<double>("dpi");
        for (const double dpi : {20.0, 41.0, 96.0}) // 适合窗口 on a small and a large window, 100%
            QTest::newRow(qPrintable(u"%1 dpi"_s.arg(dpi))) << dpi;
    }

    // Catches a preview laid out at the screen's few dots per millimetre: fonts come in whole pixel
    // sizes there, so at 适合窗口 a long line ran several millimetres longer or shorter than on paper
    // and looked as if it ran past the printable area although it printed whole.
    void previewLinesAreAsLongAsPrinted()
    {
        QFETCH(double, dpi);
        const QPageLayout a4 = PdfCardPrinter::defaultLayout();
        const QString text = u"谨定于二〇二六年十月一日在金陵大酒店三楼宴会厅举行婚礼敬请光临 Hotel ABC"_s;
        const QList<Label> line{{0, u"标题"_s, text, 10, 20, u"宋体"_s, u"10"_s, u"常规"_s, {}}};
        const GuestNameSetting noName{0, 0, "宋体", "12", "常规", {}};
        QTemporaryDir dir;
        const QString png = dir.filePath(u"card"_s);
        const int printDpi = 600;
        const QRectF paintMm = a4.paintRect(QPageLayout::Millimeter);
        const QString bandTop = QString::number(int((paintMm.top() + 15) * printDpi / 25.4));
        const QString bandHeight = QString::number(int(15 * printDpi / 25.4)); // the line's row only
        QCOMPARE(QProcess::execute(u"pdftoppm"_s,
                                   {u"-png"_s, u"-gray"_s, u"-r"_s, QString::number(printDpi), u"-y"_s,
                                    bandTop, u"-H"_s, bandHeight, u"-W"_s, u"100000"_s, u"-singlefile"_s,
                                    printCard(dir.path(), a4, noName, QString(), line), png}),
                 0);
        const QImage printed(png + u".png"_s);
        const auto printedMm = inkEndsMm(printed, printed.rect(), paintMm.left() * printDpi / 25.4, printDpi);
        QVERIFY(printedMm.first > 9 && printedMm.second > 120);

        const CardPreviewImage preview =
            renderCardPreview(a4, CardTemplate(line, noName), GuestFields{}, dpi);
        const QRect band = preview.printableRect.adjusted(2, 2, -2, -2).toRect();
        const auto shownMm = inkEndsMm(preview.image, band, preview.printableRect.left(), dpi);
        const double tolerance = 25.4 / dpi + 0.3; // a pixel of the preview, and a little anti-aliasing
        QVERIFY2(qAbs(shownMm.first - printedMm.first) < tolerance &&
                     qAbs(shownMm.second - printedMm.second) < tolerance,
                 qPrintable(u"printed %1–%2 mm, shown %3–%4 mm"_s.arg(printedMm.first)
                                .arg(printedMm.second)
                                .arg(shownMm.first)
                                .arg(shownMm.second)));
    }

    // Catches stepping past either end, a search that does not go on from the guest shown or come
    // round to the start, a character no font draws or a name longer than its fit width shown as if
    // it would print well, and a window that shows labels as they were rather than as saved when it
    // opens. (A name past the printable area is the label window's preview test.)
    void previewStepsFindsAndMarks()
    {
        TestSession t;
        auto w = preview(t, {u"张三"_s, u"李四"_s, u"张伟"_s, u"刘洋"_s, u"李\uE000"_s});
        const struct
        {
            const char* button;
            int shown;
        } steps[] = {{"Cmd_Prev", 0}, {"Cmd_Next", 1},  {"Cmd_Last", 4}, {"Cmd_Next", 4},
                     {"Cmd_Prev", 3}, {"Cmd_First", 0}, {"Cmd_Find", 2}, {"Cmd_Find", 0}};
        child<QLineEdit>(*w, "T_Find")->setText(u"张"_s);
        for (const auto& step : steps) {
            click(*w, step.button);
            QVERIFY2(w->currentGuest() == step.shown, step.button);
        }
        child<QLineEdit>(*w, "T_Find")->setText(u"王"_s);
        click(*w, "Cmd_Find");
        QCOMPARE(w->currentGuest(), 0);
        QCOMPARE(t.messages.last().text, u"没有找到姓名中含有“王”的宾客。"_s);

        QCOMPARE(marks(*w), QString());
        click(*w, "Cmd_Last");
        QCOMPARE(marks(*w), u"宾客姓名中的“\uE000”(U+E000)没有字体可以打印。+red"_s);
        t.db.exec(u"UPDATE GuestXY SET keyanchor = 1, keyfitwidth = 5"_s);
        w = preview(t, {});
        QCOMPARE(marks(*w), u"宾客‘张三’的姓名超出宽度。+red"_s);
    }

    // Catches a preview that shows the printer's correction (it shows the design), or one that
    // is not laid out on the style's own paper.
    void previewShowsTheDesignOnTheStylesPaper()
    {
        TestSession t;
        auto w = preview(t, {u"张三"_s});
        const QImage designed = child<QLabel>(*w, "L_Card")->pixmap().toImage();
        const CardSheet sheet = PrinterCatalog::resolveSheet(PrintSetting{});
        if (sheet.printerName.isEmpty())
            QSKIP("no printer installed to calibrate; scripts/test sets one up");
        QVERIFY(PrinterStore(t.store)
                    .saveCorrection(sheet.printerName, sheet.paperKey(), {3, 4, 1.02, 0.98})
                    .isOk());
        w = preview(t, {});
        QCOMPARE(child<QLabel>(*w, "L_Card")->pixmap().toImage(), designed);

        PrintSetting ownPaper;
        ownPaper.customSizeMm = QSizeF(185, 260);
        ownPaper.landscape = true;
        QVERIFY(PrinterStore(t.store).saveStyleSetting(1, ownPaper).isOk());
        w = preview(t, {});
        const QString paper = labelText(*w, "L_Paper");
        const QSizeF printable = PrinterCatalog::resolveSheet(ownPaper).printableSizeMm(); // turned
        QVERIFY2(paper.contains(u"185×260 毫米，横向"_s) && printable.width() > printable.height() &&
                     paper.endsWith(u"可打印区域 %1×%2毫米"_s.arg(printable.width(), 0, 'f', 1)
                                        .arg(printable.height(), 0, 'f', 1)),
                 qPrintable(paper));
    }

    // Catches cards merged into one job or split into several, and a discarded card reaching the
    // printer (a refused job is the real-spooler record test's). Runs only when the default
    // printer is a cups-pdf queue (scripts/test sets one up), so no paper printer is used.
    void threeCardsAreThreeOnePageSpoolerJobs()
    {
        const QString queue = QPrinterInfo::defaultPrinter().printerName();
        if (queue.isEmpty() || !runTool(u"lpstat"_s, {u"-v"_s, queue}).contains(u"cups-pdf:/"_s)) {
            if (qgetenv("CI") == "true")
                QFAIL("the spooler is not set up: no running CUPS with a cups-pdf default printer");
            QSKIP("no running CUPS with a cups-pdf default printer; scripts/test sets one up");
        }
        // Only this printer's own jobs are looked at: others may print on the same queue meanwhile.
        SystemCardPrinter printer;
        QVERIFY(printer.installedPrinterCount() >= 1);
        printer.setUnitMillimetres();
        printer.setOrigin(0, 0);
        QList<int> added;
        for (const char* guest : {"赵钱", "孙李", "周吴"}) {
            QVERIFY(drawCardFor(printer, CardTemplate(kLabels, kName), GuestFields{guest}).isOk());
            const Status sent = printer.endDocument();
            QVERIFY2(sent.isOk(), qPrintable(sent.error()));
            QVERIFY(printer.lastJobId() > 0 && !added.contains(printer.lastJobId()));
            added << printer.lastJobId();
        }
        QVERIFY(drawCardFor(printer, CardTemplate(kLabels, kName), GuestFields{u"不寄出"_s}).isOk());
        printer.discardDocument();
        QCOMPARE(printer.lastJobId(), added.last()); // the discarded card never reached the spooler
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QList<int> done = completedJobs(queue);
                return std::all_of(added.cbegin(), added.cend(), [&](int id) { return done.contains(id); });
            }(),
            60000);

        // cups-pdf writes each job to its own file in the owner's ~/PDF (the text no longer readable).
        const QDir pdf(QDir::homePath() + u"/PDF"_s);
        for (int id : added) {
            const QStringList files = pdf.entryList({u"*job_%1.pdf"_s.arg(id)});
            if (files.isEmpty())
                QSKIP("the jobs completed, but cups-pdf writes its files elsewhere than ~/PDF");
            QCOMPARE(pageCount(pdf.filePath(files.first())), 1);
        }
    }
};

QTEST_MAIN(tst_cardpdf)
#include "tst_cardpdf.moc"
