// Calibration without a spooler: the correction worked out from four measured distances (the sums,
// a sheet already printed through a correction, and every misreading named), and the test sheet,
// whose cross-hairs must be where their labels say, measured in the PDF.
#include "core/app/Startup.h"
#include "core/printing/Calibration.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/printing/TestSheet.h"
#include "ExportFixture.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A4 with margins of 5 mm left, 12 top, 3 right and 7 bottom: unequal, so swapped sides show.
CardSheet asymmetricSheet()
{
    return CardSheet::fromLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(5, 12, 3, 7), QPageLayout::Millimeter));
}

// What a printer that feeds `offset` off and stretches by `scale` makes of a test sheet printed
// through `printedWith`: the four distances a ruler finds, as typed.
QStringList measuredOn(const QPointF& offset, const QPointF& scale, const PageCorrection& printedWith)
{
    const CardSheet sheet = asymmetricSheet();
    const CalibrationMarks marks = calibrationMarks(sheet);
    const QMarginsF m = sheet.marginsMm();
    QStringList typed;
    for (const QPointF& mark : {marks.a, marks.b}) {
        const QPointF drawn(printedWith.offsetXMm + printedWith.scaleX * mark.x(),
                            printedWith.offsetYMm + printedWith.scaleY * mark.y());
        typed << QString::number(m.left() + offset.x() + scale.x() * drawn.x(), 'f', 3)
              << QString::number(m.top() + offset.y() + scale.y() * drawn.y(), 'f', 3);
    }
    return typed;
}

} // namespace

class tst_calibration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches a wrong sum, a correction that forgets the one the sheet was printed through, and a
    // misread or mistyped number accepted, or refused without saying which number it is.
    void correctionFromFourDistances_data()
    {
        QTest::addColumn<QStringList>("typed"); // A left, A top, B left, B top
        QTest::addColumn<PageCorrection>("printedWith");
        QTest::addColumn<PageCorrection>("expected");
        QTest::addColumn<QString>("refusal");
        const PageCorrection none;
        const PageCorrection off{-1.2 / 1.004, 0.8 / 0.997, 1 / 1.004, 1 / 0.997}; // undoes the printer below
        const QPointF offset(1.2, -0.8), scale(1.004, 0.997);
        const QStringList exact = measuredOn({}, {1, 1}, none);
        QTest::newRow("a true printer") << exact << none << none << QString();
        QTest::newRow("a printer off and stretched")
            << measuredOn(offset, scale, none) << none << off << QString();
        const PageCorrection earlier{0.5, 0.3, 1.002, 0.999};
        QTest::newRow("measured on a corrected sheet")
            << measuredOn(offset, scale, earlier) << earlier << off << QString();
        const auto refused = [&](const char* tag, int index, const QString& value, const QString& says) {
            QStringList typed = exact;
            typed[index] = value;
            QTest::newRow(tag) << typed << none << none << says;
        };
        refused("empty", 0, u" "_s, u"请填写十字 A 到纸张左边的距离（毫米）。"_s);
        refused("not a number", 3, u"二十"_s,
                u"十字 B 到纸张上边的距离只能是数字（毫米，可带小数点），“二十”不是数字。"_s);
        refused("negative", 1, u"-3"_s, u"十字 A 到纸张上边的距离不能是负数，请重新测量。"_s);
        refused("offset misread", 0, QString::number(exact[0].toDouble() + 20),
                u"十字 A 到纸张左边的距离量得 45.0 毫米，与应有的 25.0 毫米"_s);
    }

    void correctionFromFourDistances()
    {
        QFETCH(QStringList, typed);
        QFETCH(PageCorrection, printedWith);
        QFETCH(PageCorrection, expected);
        QFETCH(QString, refusal);
        const Result<PageCorrection> found = correctionFromMeasurements(
            asymmetricSheet(), printedWith, {typed[0], typed[1], typed[2], typed[3]});
        if (!refusal.isEmpty()) {
            QVERIFY2(!found.isOk() && found.error().startsWith(refusal), qPrintable(found.error()));
            return;
        }
        QVERIFY2(found.isOk(), qPrintable(found.error()));
        const PageCorrection& c = found.value();
        QVERIFY2(qAbs(c.offsetXMm - expected.offsetXMm) < 0.005 &&
                     qAbs(c.offsetYMm - expected.offsetYMm) < 0.005 &&
                     qAbs(c.scaleX - expected.scaleX) < 1e-5 && qAbs(c.scaleY - expected.scaleY) < 1e-5,
                 qPrintable(c.describe()));
    }

    // Catches cross-hairs drawn elsewhere than their labels say (margins left out or swapped, the
    // correction not applied to them), and rulers or labels missing from the sheet.
    void testSheetCrossHairsAreWhereTheirLabelsSay_data()
    {
        QTest::addColumn<PageCorrection>("correction");
        QTest::newRow("as designed") << PageCorrection{};
        QTest::newRow("through a correction") << PageCorrection{1.5, -0.5, 1.01, 0.99};
    }

    void testSheetCrossHairsAreWhereTheirLabelsSay()
    {
        QFETCH(PageCorrection, correction);
        QTemporaryDir dir;
        PdfCardPrinter printer(dir.path());
        const CardSheet sheet = asymmetricSheet();
        QVERIFY(
            printTestSheet(printer, sheet, correction, QDateTime(QDate(2027, 5, 1), QTime(9, 30))).isOk());
        const QString pdf = printer.writtenFiles().value(0);
        // pdftotext gives some CJK glyphs as their Kangxi radicals (⼗ for 十): compared after NFKC.
        const auto plain = [](const QString& text) { return text.normalized(QString::NormalizationForm_KC); };
        const QString text = plain(runTool(u"pdftotext"_s, {pdf, u"-"_s}));
        QVERIFY2(text.contains(plain(u"打印机校准测试"_s)) && text.contains(plain(u"2027年5月1日 09:30"_s)),
                 qPrintable(text));
        const QRegularExpression label(
            plain(u"十字 ([AB])：距纸张左边 ([\\d.]+) 毫米，上边 ([\\d.]+) 毫米"_s));
        int labels = 0;
        const QMarginsF m = sheet.marginsMm();
        for (auto it = label.globalMatch(text); it.hasNext(); ++labels) {
            const QRegularExpressionMatch said = it.next();
            const QPointF labelled(said.captured(2).toDouble(), said.captured(3).toDouble());
            // Where the correction moves it: offset + scale * the designed place.
            const QPointF designed = labelled - QPointF(m.left(), m.top());
            const QPointF expected(m.left() + correction.offsetXMm + correction.scaleX * designed.x(),
                                   m.top() + correction.offsetYMm + correction.scaleY * designed.y());
            const QPointF found = crossHairMm(pdf, expected);
            QVERIFY2(qAbs(found.x() - expected.x()) < 0.1 && qAbs(found.y() - expected.y()) < 0.1,
                     qPrintable(u"%1 at %2, %3"_s.arg(said.captured(1)).arg(found.x()).arg(found.y())));
        }
        QCOMPARE(labels, 2);
        // The rulers count from the paper's edge: the top one's "10" stands beside its tick 10 mm
        // from the edge (the left one starts below the 12 mm margin, at 20).
        const PageWord ten = findWord(pageWords(pdf, 1), u"10"_s);
        const double tenMm = m.left() + correction.offsetXMm + correction.scaleX * (10.4 - m.left());
        QVERIFY2(qAbs(ten.leftMm - tenMm) < 0.3, qPrintable(QString::number(ten.leftMm)));
    }
};

QTEST_MAIN(tst_calibration)
#include "tst_calibration.moc"
