// Cards on the PDF printer, measured in the produced files: positions in millimetres from the
// printable area's corner, sizes in points, one file per card and nothing for a discarded card.
#include "app/Startup.h"
#include "printing/CardDrawing.h"
#include "printing/CardRendering.h"
#include "printing/PdfCardPrinter.h"
#include "PdfMeasure.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr double kToleranceMm = 0.5;
const QMarginsF kMarginsMm(7, 11, 5, 5);

QPageLayout layoutWithMargins()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, kMarginsMm, QPageLayout::Millimeter);
}

CardLabel label(const QString& text, double x, double y, const QString& font, int size, const QString& style)
{
    CardLabel l;
    l.text = text;
    l.xMm = x;
    l.yMm = y;
    l.fontName = font;
    l.fontSize = size;
    l.styleWord = style;
    return l;
}

const PdfWord* find(const QList<PdfWord>& words, const QString& text)
{
    for (const PdfWord& w : words)
        if (w.text == text)
            return &w;
    return nullptr;
}

// The height of a font's character cell per point of size, independent of any device.
double cellHeightPerPoint(const QString& family)
{
    QFont font = cardFont(family, 12, false, false);
    font.setPixelSize(1000);
    return QFontMetricsF(font).height() / 1000.0;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class tst_cardprinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void textsLandAtTheirPositionsInPoints()
    {
        QTemporaryDir dir;
        PdfCardPrinter printer(dir.path(), layoutWithMargins());
        printer.setUnitMillimetres();
        printer.setOrigin(0, 0);
        const QList<CardLabel> labels{
            label(QStringLiteral("  敬请光临  "), 20, 30, QStringLiteral("宋体"), 12, QStringLiteral("常规")),
            label(QStringLiteral("甲组\n戊组\r\n庚组"), 50.5, 80, QStringLiteral("微软雅黑"), 16,
                  QStringLiteral("粗体")),
            label(QStringLiteral("题名"), 0, 0, QStringLiteral("宋体"), 24, QStringLiteral("常规")),
        };
        GuestNameSetting name;
        name.xMm = 40;
        name.yMm = 120.25;
        name.fontName = QStringLiteral("楷体");
        name.fontSize = 20;
        name.styleWord = QStringLiteral("斜体");
        QVERIFY(drawLabels(printer, labels).isOk());
        QVERIFY(drawGuestName(printer, name, QStringLiteral("张三")).isOk());
        QVERIFY(printer.endDocument().isOk());

        QCOMPARE(printer.writtenFiles().size(), 1);
        const QString file = printer.writtenFiles().first();
        QCOMPARE(pdfPages(file), 1);
        const QList<PdfWord> words = pdfWords(file);

        struct Expected
        {
            const char* text;
            double xMm;
            double yMm;
        };
        QPdfWriter metricsDevice(dir.filePath(QStringLiteral("metrics.pdf")));
        const double lineMm =
            QFontMetricsF(cardFont(QStringLiteral("微软雅黑"), 16, true, false), &metricsDevice)
                .lineSpacing() *
            25.4 / metricsDevice.logicalDpiY();
        const Expected expected[] = {
            {"敬请光临", 20, 30}, // ASCII spaces trimmed: the text starts at its position
            {"甲组", 50.5, 80},
            {"戊组", 50.5, 80 + lineMm}, // later lines: same x, one line spacing down each
            {"庚组", 50.5, 80 + 2 * lineMm},
            {"题名", 0, 0},
            {"张三", 40, 120.25},
        };
        for (const Expected& e : expected) {
            const PdfWord* w = find(words, QString::fromUtf8(e.text));
            QVERIFY2(w, e.text); // (texts avoid characters that poppler reports as radicals)
            QVERIFY2(qAbs(w->leftMm - (kMarginsMm.left() + e.xMm)) < kToleranceMm,
                     qPrintable(QStringLiteral("%1 left %2").arg(w->text).arg(w->leftMm)));
            QVERIFY2(qAbs(w->topMm - (kMarginsMm.top() + e.yMm)) < kToleranceMm,
                     qPrintable(QStringLiteral("%1 top %2").arg(w->text).arg(w->topMm)));
        }

        // Point sizes are points on paper: the cell of a 12-point text is 12 points times the face's
        // cell height per point, and a 24-point one twice that.
        const double mmPerPoint = 25.4 / 72.0;
        const PdfWord* small = find(words, QStringLiteral("敬请光临"));
        const PdfWord* large = find(words, QStringLiteral("题名"));
        const double perPoint = cellHeightPerPoint(QStringLiteral("宋体"));
        QVERIFY2(qAbs((small->bottomMm - small->topMm) - 12 * perPoint * mmPerPoint) < kToleranceMm,
                 qPrintable(QString::number(small->bottomMm - small->topMm)));
        QVERIFY(qAbs((large->bottomMm - large->topMm) - 24 * perPoint * mmPerPoint) < kToleranceMm);
    }

    void eachCardIsItsOwnFileAndDiscardedOnesLeaveNone()
    {
        QTemporaryDir dir;
        QFile existing(dir.filePath(QStringLiteral("card-0001.pdf")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("kept");
        existing.close();

        PdfCardPrinter printer(dir.path());
        printer.setFontName(QStringLiteral("宋体"));
        printer.setFontSize(12);
        QVERIFY(printer.printText(QStringLiteral("甲")).isOk());
        QVERIFY(printer.endDocument().isOk());
        QVERIFY(printer.printText(QStringLiteral("作废")).isOk());
        printer.discardDocument();
        QVERIFY(printer.printText(QStringLiteral("乙")).isOk());
        QVERIFY(printer.printText(QStringLiteral("丙")).isOk());
        QVERIFY(printer.endDocument().isOk());

        // An existing file is not overwritten; the discarded card used no number and left no file.
        QCOMPARE(filesIn(dir.path()), QStringList({"card-0001.pdf", "card-0002.pdf", "card-0003.pdf"}));
        QCOMPARE(existing.open(QIODevice::ReadOnly) ? existing.readAll() : QByteArray(), QByteArray("kept"));
        const QString second = dir.filePath(QStringLiteral("card-0002.pdf"));
        const QString third = dir.filePath(QStringLiteral("card-0003.pdf"));
        QCOMPARE(printer.writtenFiles(), QStringList({second, third}));
        QCOMPARE(pdfPages(second), 1);
        QCOMPARE(pdfPages(third), 1);
        QCOMPARE(pdfWords(second).size(), 1);
        QCOMPARE(pdfWords(third).size(), 2);
    }

    void aFolderThatCannotBeWrittenIsReported()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("不存在"));
        PdfCardPrinter printer(missing);
        const Status s = printer.printText(QStringLiteral("甲"));
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(missing), qPrintable(s.error()));
        QVERIFY(!printer.documentOpen());
        QVERIFY(printer.writtenFiles().isEmpty());
        QVERIFY(!QFileInfo::exists(missing));

        // Once the folder is there, the first card still gets the first number.
        QVERIFY(QDir().mkpath(missing));
        QVERIFY(printer.printText(QStringLiteral("甲")).isOk());
        QVERIFY(printer.endDocument().isOk());
        QCOMPARE(filesIn(missing), QStringList({"card-0001.pdf"}));
    }

    void aWholeCardDrawsOntoAnyPainter()
    {
        // 100 dots per inch: a name at (25.4 mm, 50.8 mm) starts at pixel (100, 200).
        QImage image(900, 1200, QImage::Format_RGB32);
        image.setDotsPerMeterX(3937);
        image.setDotsPerMeterY(3937);
        image.fill(Qt::white);
        GuestNameSetting name;
        name.xMm = 25.4;
        name.yMm = 50.8;
        {
            QPainter painter(&image);
            drawCard(painter, {}, name, QStringLiteral("王"));
        }
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        // The glyph's ink sits inside its cell: right of and below the cell's corner, within 12 pt.
        QVERIFY2(ink.left() >= 100 && ink.left() < 105, qPrintable(QString::number(ink.left())));
        QVERIFY2(ink.top() >= 200 && ink.top() < 210, qPrintable(QString::number(ink.top())));
        QVERIFY(ink.height() < 12 * 100 / 72 + 2);
    }
};

QTEST_MAIN(tst_cardprinting)
#include "tst_cardprinting.moc"
