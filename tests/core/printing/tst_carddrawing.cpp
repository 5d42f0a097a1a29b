// The card drawing routine keeps the glyphs of texts it has drawn before. Whether a text is met for
// the first, second or a later time, the page must come out exactly as QPainter::drawText draws it:
// the same PDF bytes, the same pixels on a preview image; and a text with an anchor, a fit width or
// columns the same every time.
#include "core/app/Startup.h"
#include "core/cards/CardDrawing.h"
#include "core/printing/CardExport.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(TextPlacement)

using namespace Qt::StringLiterals;

namespace {

constexpr double kXMm = 12.34;
constexpr double kYMm = 56.78;
constexpr int kTimes = 3; // met first, met again (shaped and kept), drawn from what was kept

using Draw = std::function<void(QPainter&)>;

// What the routine drew before it kept glyphs: each line with QPainter::drawText, the first baseline
// one ascent below the position, the next ones a line spacing apart.
void drawPlainly(QPainter& painter, const QString& text, const QFont& font)
{
    QPaintDevice* device = painter.device();
    const QFontMetricsF metrics(font, device);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    double baseline = kYMm * (device->logicalDpiY() / 25.4) + metrics.ascent();
    for (const QString& line : text.split(QRegularExpression(u"\r\n|\r|\n"_s))) {
        if (!line.isEmpty())
            painter.drawText(QPointF(kXMm * (device->logicalDpiX() / 25.4), baseline), line);
        baseline += metrics.lineSpacing();
    }
    painter.restore();
}

// A PDF file of `kTimes` A6 pages, each drawn by `draw`, without its creation time.
QByteArray pdfPages(const QString& path, const Draw& draw)
{
    {
        QPdfWriter writer(path);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        for (int page = 0; page < kTimes; ++page) {
            if (page > 0)
                writer.newPage();
            draw(painter);
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    const qsizetype date = bytes.indexOf("/CreationDate (");
    return date < 0 ? bytes : bytes.remove(date, bytes.indexOf(')', date) + 1 - date);
}

// An A6 page at `dpi` on a desk, as the preview draws it: moved off the image's corner and clipped.
QImage previewPage(int dpi, const Draw& draw)
{
    QImage image(440, 600, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(QRectF(13.37, 21.7, 397, 559));
    painter.translate(13.37, 21.7);
    draw(painter);
    return image;
}

} // namespace

class tst_carddrawing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void keptGlyphsDrawWhatDrawTextDraws_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QFont>("font");
        // Rows share texts in other fonts: glyphs kept for one font or weight must not serve another.
        QTest::newRow("CJK label") << u"谨定于公历二〇二七年五月一日举行婚礼"_s
                                   << cardFont(u"宋体"_s, 14, false, false);
        QTest::newRow("same text, bold")
            << u"谨定于公历二〇二七年五月一日举行婚礼"_s << cardFont(u"宋体"_s, 14, true, false);
        QTest::newRow("same text, other face and size")
            << u"谨定于公历二〇二七年五月一日举行婚礼"_s << cardFont(u"微软雅黑"_s, 9, false, true);
        QTest::newRow("Latin face, CJK by fallback")
            << u"Dinner 晚宴 at 6 pm"_s << cardFont(u"DejaVu Sans"_s, 12, false, false);
        QTest::newRow("lines, an empty one, tabs")
            << u"时间：\t五月一日\r\n\n地点：\t和平饭店\r宴会厅"_s << cardFont(u"楷体"_s, 16, false, false);
        QTest::newRow("fallback inside a CJK run") << u"喜宴🎉开始"_s << cardFont(u"宋体"_s, 12, false, false);
        QTest::newRow("right-to-left inside") << u"席位 שלום 12 号"_s << cardFont(u"黑体"_s, 12, true, true);
        QTest::newRow("line separator") << u"上行\u2028下行"_s << cardFont(u"宋体"_s, 12, false, false);
        QTest::newRow("spaces only") << u"   "_s << cardFont(u"宋体"_s, 12, false, false);
        // Texts met once are put together from the glyphs of their Chinese characters.
        QTest::newRow("Latin between Chinese")
            << u"宴A宴 O'Brien王"_s << cardFont(u"黑体"_s, 12, false, false);
        QTest::newRow("kana, variation selector, plane 2")
            << u"さくら様 葛󠄀城 欧阳𠀀娜"_s << cardFont(u"宋体"_s, 12, false, true);
    }

    // Catches kept glyphs drawn off the place or in another font than drawText puts them, on paper
    // and on the preview: any change moves a glyph by at least 1/64 of a dot.
    void keptGlyphsDrawWhatDrawTextDraws()
    {
        QFETCH(QString, text);
        QFETCH(QFont, font);
        QTemporaryDir dir;
        const QByteArray plainPdf =
            pdfPages(dir.filePath(u"plain.pdf"_s), [&](QPainter& p) { drawPlainly(p, text, font); });
        const QByteArray keptPdf = pdfPages(dir.filePath(u"kept.pdf"_s),
                                            [&](QPainter& p) { drawTextMm(p, text, kXMm, kYMm, font); });
        QVERIFY(plainPdf.size() > 1000);
        QVERIFY2(keptPdf == plainPdf, "the PDF pages differ");

        for (const int dpi : {96, 72}) {
            const QImage plain = previewPage(dpi, [&](QPainter& p) { drawPlainly(p, text, font); });
            for (int time = 1; time <= kTimes; ++time) {
                const QImage kept =
                    previewPage(dpi, [&](QPainter& p) { drawTextMm(p, text, kXMm, kYMm, font); });
                QVERIFY2(kept == plain,
                         qPrintable(u"preview at %1 dpi differs the %2. time"_s.arg(dpi).arg(time)));
            }
        }
    }

    void exportedPagesOfOneGuestAreIdentical_data()
    {
        QTest::addColumn<TextPlacement>("labels");
        QTest::addColumn<TextPlacement>("name");
        QTest::newRow("plain") << TextPlacement{} << TextPlacement{};
        QTest::newRow("centred, fitted")
            << TextPlacement{TextAnchor::Centre, 30, false} << TextPlacement{TextAnchor::Right, 20, false};
        QTest::newRow("columns") << TextPlacement{TextAnchor::Left, 0, true}
                                 << TextPlacement{TextAnchor::Centre, 25, true};
    }

    // Catches an export whose later pages differ from its first: the same guest three times must
    // give three identical pages when printed at 300 dpi, though each is drawn another way (laid out
    // afresh, laid out and kept, taken from what was kept).
    void exportedPagesOfOneGuestAreIdentical()
    {
        QFETCH(TextPlacement, labels);
        QFETCH(TextPlacement, name);
        CardSet cards;
        cards.styleName = u"婚宴"_s;
        cards.labels = {{0, u"标题"_s, u"婚礼请柬"_s, 37, 10, u"宋体"_s, u"22"_s, u"粗体"_s, labels},
                        {0, u"时间"_s, u"时间：2027年5月1日\n中午12时"_s, 12.3, 66.6, u"黑体"_s, u"11"_s,
                         u"常规"_s, labels}};
        cards.guestName = {43, 28, u"楷体"_s, u"18"_s, u"粗体"_s, name};
        for (const qint64 id : {1, 2, 3})
            cards.guests.append(id, GuestFields{u"欧阳娜娜"_s});
        QTemporaryDir dir;
        const QString file = dir.filePath(u"cards.pdf"_s);
        const QPageLayout a6(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(3, 4, 3, 4),
                             QPageLayout::Millimeter);
        QCOMPARE(exportCards(cards, a6, file).value(), ExportEnd::Written);
        const QString prefix = dir.filePath(u"page"_s);
        QCOMPARE(QProcess::execute(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"300"_s, file, prefix}), 0);
        const QImage first(prefix + u"-1.png"_s);
        QVERIFY(!first.isNull());
        QCOMPARE(QImage(prefix + u"-2.png"_s), first);
        QCOMPARE(QImage(prefix + u"-3.png"_s), first);
    }
};

QTEST_MAIN(tst_carddrawing)
#include "tst_carddrawing.moc"
