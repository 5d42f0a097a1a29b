// Where texts with an anchor, a fit width or columns (竖排) land on exported pages, measured in the
// ink of the pages rasterised by poppler; and how a column falls into cells. (Cards that use none of
// these are the version-1 card compared with its reference pages in the guest-field test.)
#include "core/app/Startup.h"
#include "core/cards/CardDrawing.h"
#include "core/cards/CardUnits.h"
#include "core/cards/FitCheck.h"
#include "core/cards/VerticalText.h"
#include "core/printing/CardExport.h"
#include "ExportFixture.h"

#include <QFontMetricsF>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr double kDpi = 600;
constexpr double kToleranceMm = 0.2;

// One page per guest: `name` drawn in 宋体 20 with `placement` at (`x`, `y`), a dot far below it so
// that the style has a label.
QList<QImage> namePages(const QStringList& guests, const TextPlacement& placement, double x, double y)
{
    CardSet cards;
    cards.styleName = u"名字"_s;
    cards.labels = {{0, u"点"_s, u"."_s, 5, 140, u"宋体"_s, u"6"_s, u"常规"_s, {}}};
    cards.guestName = {x, y, u"宋体"_s, u"20"_s, u"常规"_s, placement};
    for (const QString& guest : guests)
        cards.guests.append(cards.guests.size() + 1, GuestFields{guest});
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"cards.pdf"_s);
    if (!exportCards(cards, a6WithoutMargins(), pdf).isOk())
        return {};
    return greyPages(pdf, kDpi);
}

// The box of the ink inside `areaMm` of `page`, in millimetres; an empty box without ink.
QRectF inkMm(const QImage& page, const QRectF& areaMm)
{
    const double dotsPerMm = kDpi / 25.4;
    const QRect area = QRect(int(areaMm.left() * dotsPerMm), int(areaMm.top() * dotsPerMm),
                             int(areaMm.width() * dotsPerMm), int(areaMm.height() * dotsPerMm))
                           .intersected(page.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (line[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    if (right < 0)
        return {};
    return QRectF(left / dotsPerMm, top / dotsPerMm, (right - left) / dotsPerMm, (bottom - top) / dotsPerMm);
}

// The font's line spacing and the advance of `text` in 宋体 20, in millimetres, as the exported
// pages lay them out.
double lineSpacingMm()
{
    QImage device(1, 1, QImage::Format_Grayscale8);
    device.setDotsPerMeterX(qRound(CardUnits::kLayoutDpi / 0.0254));
    device.setDotsPerMeterY(qRound(CardUnits::kLayoutDpi / 0.0254));
    return QFontMetricsF(cardFont(u"宋体"_s, 20, false, false), &device).lineSpacing() * 25.4 /
           CardUnits::kLayoutDpi;
}

bool near(double value, double expected, double tolerance = kToleranceMm)
{
    if (qAbs(value - expected) <= tolerance)
        return true;
    qWarning("%.3f mm, expected %.3f mm", value, expected);
    return false;
}

} // namespace

class tst_textplacement : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void anchorsPlaceNamesOfAnyLength_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<bool>("vertical");
        QTest::newRow("centred") << int(TextAnchor::Centre) << false;
        QTest::newRow("right") << int(TextAnchor::Right) << false;
        QTest::newRow("centred in a column") << int(TextAnchor::Centre) << true;
        QTest::newRow("at the column's bottom") << int(TextAnchor::Right) << true;
    }

    // Catches an anchor that places the first character (as before) or that misjudges a name's
    // length: a name of 2 and one of 4 characters (both ends 王, whose ink is symmetric) must have
    // their middle, or their far end, on the anchor. At the far end the last character's ink stops
    // short of its em cell by as much as it does in a cell drawn from the anchor.
    void anchorsPlaceNamesOfAnyLength()
    {
        QFETCH(int, anchor);
        QFETCH(bool, vertical);
        const double x = 52.5, y = 70;
        TextPlacement placement{TextAnchor(anchor), 0, vertical};
        const QList<QImage> pages = namePages({u"王"_s, u"王王"_s, u"王田中王"_s}, placement, x, y);
        QCOMPARE(pages.size(), 3);
        placement.anchor = TextAnchor::Left;
        const QRectF alone = inkMm(namePages({u"王"_s}, placement, x, y).value(0), QRectF(0, 0, 105, 135));
        const double em = 20 * 25.4 / 72;
        const double bearing = vertical ? y + em - alone.bottom() : x + em - alone.right();
        for (int page = 1; page < 3; ++page) {
            const QRectF ink = inkMm(pages.at(page), QRectF(0, 0, 105, 135));
            const double start = vertical ? ink.top() : ink.left();
            const double end = vertical ? ink.bottom() : ink.right();
            const double at = vertical ? y : x;
            if (TextAnchor(anchor) == TextAnchor::Centre)
                QVERIFY(near((start + end) / 2, at));
            else
                QVERIFY(near(end, at - bearing));
        }
    }

    void fitWidthShrinksAndKeepsTheAnchor_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<double>("x");
        QTest::newRow("left") << int(TextAnchor::Left) << 10.0;
        QTest::newRow("centred") << int(TextAnchor::Centre) << 52.5;
        QTest::newRow("right") << int(TextAnchor::Right) << 95.0;
    }

    // Catches a fit width that clips, overlaps or leaves a long name as it is, shrinks in too large
    // steps, moves the name off its anchor, or touches a name that fits; and a name too long even at
    // 60 % that is not drawn at 60 % and reported.
    void fitWidthShrinksAndKeepsTheAnchor()
    {
        QFETCH(int, anchor);
        QFETCH(double, x);
        const double fitMm = 40;
        const QString fits = u"王田中"_s;                          // about 21 mm at 20 points
        const QString tooLong = u"王田中王田中王田"_s;             // about 56 mm: fits at about 70 %
        const QString overLong = QString(u"王田中"_s).repeated(4); // about 85 mm: over 40 mm at 60 %
        const QList<QImage> plain = namePages({fits, overLong}, {TextAnchor(anchor), 0, false}, x, 20);
        const QList<QImage> fitted =
            namePages({fits, tooLong, overLong}, {TextAnchor(anchor), fitMm, false}, x, 20);
        QCOMPARE(fitted.size(), 3);
        QCOMPARE(fitted.at(0), plain.at(0));

        const QRectF shrunk = inkMm(fitted.at(1), QRectF(0, 0, 105, 135));
        QVERIFY2(shrunk.width() <= fitMm + kToleranceMm && shrunk.width() > fitMm - 2,
                 qPrintable(QString::number(shrunk.width())));
        const QRectF full = inkMm(plain.at(1), QRectF(0, 0, 105, 135));
        const QRectF smallest = inkMm(fitted.at(2), QRectF(0, 0, 105, 135));
        QVERIFY(near(smallest.width(), full.width() * Placement::kSmallestFitShare, 0.5));
        for (const QRectF& ink : {shrunk, smallest}) {
            switch (TextAnchor(anchor)) {
            case TextAnchor::Left:
                QVERIFY(ink.left() >= x && ink.left() < x + 0.5);
                break;
            case TextAnchor::Centre:
                QVERIFY(near(ink.center().x(), x));
                break;
            case TextAnchor::Right:
                QVERIFY(ink.right() <= x && ink.right() > x - 0.5);
                break;
            }
        }
        const GuestNameSetting setting{x,       20,        u"宋体"_s,
                                       u"20"_s, u"常规"_s, {TextAnchor(anchor), fitMm, false}};
        const QList<WidthOverflow> found = findWidthOverflows(CardTemplate({}, setting), [&] {
            CardGuestList guests;
            for (const QString& guest : {fits, tooLong, overLong})
                guests.append(0, GuestFields{guest});
            return guests;
        }());
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().describe(), u"宾客‘%1’的姓名超出宽度"_s.arg(overLong));
    }

    // Catches columns set as turned lines: a second character not one cell below the first, a second
    // column not one line spacing to the left, 。 in its horizontal form (lower left of its cell),
    // a year standing upright digit by digit, and two digits not side by side in one cell.
    void columnsRunDownAndRightToLeft()
    {
        const double x = 80, y = 10;
        const double em = 20 * 25.4 / 72; // 20 points: a cell is an em square
        const double pitch = lineSpacingMm();
        CardSet cards;
        cards.styleName = u"竖排"_s;
        const QString text = u"喜喜。\n喜\n2027\n28日"_s;
        cards.labels = {
            {0, u"正文"_s, text, x, y, u"宋体"_s, u"20"_s, u"常规"_s, {TextAnchor::Left, 0, true}}};
        cards.guests.append(1, GuestFields{});
        QTemporaryDir dir;
        QVERIFY(exportCards(cards, a6WithoutMargins(), dir.filePath(u"v.pdf"_s)).isOk());
        const QImage page = greyPages(dir.filePath(u"v.pdf"_s), kDpi).value(0);
        const auto cell = [&](int column, double fromCell, double cells = 1) {
            return inkMm(page, QRectF(x - column * pitch, y + fromCell * em, em, cells * em));
        };

        const QRectF first = cell(0, 0), second = cell(0, 1), nextColumn = cell(1, 0);
        QVERIFY(near(second.top() - first.top(), em));
        QVERIFY(near(second.left(), first.left()));
        QVERIFY(near(first.left() - nextColumn.left(), pitch));
        QVERIFY(near(nextColumn.top(), first.top()));
        const QRectF stop = cell(0, 2);
        QVERIFY2(stop.left() > x + em / 2 && stop.bottom() < y + 2.5 * em, "。 is not in the upper right");

        const QRectF year = cell(2, 0, 4);
        QVERIFY2(year.height() > 2 * year.width() && year.height() > 1.5 * em, "2027 is not turned");
        const QRectF digits = cell(3, 0), day = cell(3, 1);
        QVERIFY2(digits.width() > digits.height() && digits.width() <= em, "28 is not upright in one cell");
        QVERIFY(near(day.top() - digits.top(), em, em / 2));
    }

    void columnsFallIntoPieces_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("pieces"); // U upright, T turned, P paired, S space; each with its text
        QTest::newRow("date") << u"于2027年5月28日"_s << u"U于 T2027 U年 P5 U月 P28 U日"_s;
        QTest::newRow("words and spaces") << u"在 Hotel ABC 宴会"_s << u"U在 S  THotel ABC S  U宴 U会"_s;
        QTest::newRow("letters, hyphen, emoji") << u"A座-🎉"_s << u"PA U座 T- U🎉"_s;
        QTest::newRow("full-width digits") << u"２８"_s << u"U２ U８"_s;
        QTest::newRow("mark on a letter") << u"é日"_s << u"Pé U日"_s;
    }

    // Catches runs cut at the wrong characters, spaces at a run's end turned with it, and a mark or
    // surrogate pair split from its character.
    void columnsFallIntoPieces()
    {
        QFETCH(QString, line);
        QFETCH(QString, pieces);
        QStringList found;
        for (const VerticalText::Piece& piece : VerticalText::pieces(line))
            found << QString(u"UTPS"_s.at(int(piece.kind))) + line.mid(piece.from, piece.length);
        QCOMPARE(found.join(u' '), pieces);
    }

    // Catches punctuation left horizontal in a column, or replaced by a form its font cannot draw.
    void punctuationTakesItsVerticalForm()
    {
        const auto all = [](char32_t, char32_t) { return true; };
        QCOMPARE(VerticalText::withVerticalForms(u"“请”（来），好。"_s, all), u"﹁请﹂︵来︶︐好︒"_s);
        QCOMPARE(VerticalText::withVerticalForms(u"好，"_s, [](char32_t, char32_t) { return false; }),
                 u"好，"_s);
    }
};

QTEST_MAIN(tst_textplacement)
#include "tst_textplacement.moc"
