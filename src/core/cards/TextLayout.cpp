#include "core/cards/TextLayout.h"

#include "core/cards/CardUnits.h"
#include "core/cards/VerticalText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QRawFont>
#include <QTextLayout>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A layout never comes out a hair longer than it measured: a fit width is met within this.
constexpr double kFitSlackDots = 0.01;

// Right-to-left text and explicit direction marks reorder the pieces of a line; QPainter::drawText
// then draws them in an order the glyph runs do not tell, so such lines are left to it.
bool isReordered(const QString& line)
{
    for (const char32_t c : line.toUcs4()) {
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDF:
        case QChar::DirPDI:
            return true;
        default:
            break;
        }
    }
    return false;
}

// One line laid out without wrapping, left to right; the layout keeps its shaping for glyphRuns().
void layOutLine(QTextLayout& layout, Qt::LayoutDirection direction)
{
    layout.setCacheEnabled(true); // or glyphRuns() shapes the line a second time
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
}

// Moves every glyph of `runs` by `offset`.
void shift(QList<QGlyphRun>& runs, const QPointF& offset)
{
    for (QGlyphRun& run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& position : positions)
            position += offset;
        run.setPositions(positions);
    }
}

double anchorShift(TextAnchor anchor, double length)
{
    switch (anchor) {
    case TextAnchor::Centre:
        return -length / 2;
    case TextAnchor::Right:
        return -length;
    case TextAnchor::Left:
        break;
    }
    return 0;
}

// What columns need to know of a font, read once per face and size.
struct ColumnFacts
{
    double baselineShare = 1;    // of an upright cell's height, from its top to the glyphs' baseline
    double ideographAdvance = 0; // the advance of 中; 0 when the font has no ideographs
};

// The baseline of an upright glyph: where the font's ideographic em box puts it (CJK fonts give
// that box as their typographic ascender and descender), or else where its ascent and descent,
// shared out over the em, put it.
ColumnFacts readFacts(const QRawFont& font)
{
    ColumnFacts facts;
    const QByteArray os2 = font.fontTable("OS/2");
    const double ascender = os2.size() >= 72 ? qFromBigEndian<qint16>(os2.constData() + 68) : 0;
    const double descender = os2.size() >= 72 ? qFromBigEndian<qint16>(os2.constData() + 70) : 0;
    const double height = font.ascent() + font.descent();
    if (ascender > 0 && ascender - descender > 0)
        facts.baselineShare = ascender / (ascender - descender);
    else if (height > 0)
        facts.baselineShare = font.ascent() / height;
    const QList<quint32> ideograph = font.glyphIndexesForString(QStringLiteral("中"));
    if (ideograph.size() == 1 && ideograph.first() != 0)
        facts.ideographAdvance = font.advancesForGlyphIndexes(ideograph).value(0).x();
    return facts;
}

const ColumnFacts& factsOf(const QRawFont& font)
{
    // Per thread: the facts are plain numbers, whatever thread the font engines belong to.
    thread_local QHash<QString, ColumnFacts> known;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(font.familyName(), font.styleName())
                            .arg(font.weight())
                            .arg(int(font.style()))
                            .arg(font.pixelSize());
    auto found = known.find(key);
    if (found == known.end())
        found = known.insert(key, readFacts(font));
    return *found;
}

double cellBaseline(const QRawFont& font, double em)
{
    return em * factsOf(font).baselineShare;
}

bool isIdeograph(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

// The glyph runs of `runs` that draw without a turn, merged into one run per font: a column of
// ideographs becomes one run however many cells and columns it has.
QList<PlacedGlyphs> mergedUpright(QList<PlacedGlyphs> pieces)
{
    QList<PlacedGlyphs> merged;
    QList<QGlyphRun> upright;
    for (PlacedGlyphs& piece : pieces) {
        if (!piece.turn.isIdentity() || !piece.painterText.isEmpty()) {
            merged.append(std::move(piece));
            continue;
        }
        shift(piece.runs, piece.origin);
        for (const QGlyphRun& run : std::as_const(piece.runs)) {
            auto same = std::find_if(upright.begin(), upright.end(), [&](const QGlyphRun& kept) {
                return kept.rawFont() == run.rawFont() && kept.flags() == run.flags();
            });
            if (same == upright.end()) {
                upright.append(run);
                continue;
            }
            same->setGlyphIndexes(same->glyphIndexes() + run.glyphIndexes());
            same->setPositions(same->positions() + run.positions());
        }
    }
    if (!upright.isEmpty())
        merged.prepend(PlacedGlyphs{QPointF(), QTransform(), upright, QString()});
    return merged;
}

// One column: its pieces from the top of its first cell, the left edge of its cells at x = 0.
struct Column
{
    QList<PlacedGlyphs> pieces;
    double length = 0;
};

struct ColumnMetrics
{
    double em = 0;     // a cell's width and an upright cell's height
    double ascent = 0; // of the text's own font, for runs that lie along the column
    double descent = 0;
};

// The upright pieces pieces[first, last) of a column: each glyph moves from its place in the line
// into its cell, centred across the column. `tops` holds each piece's cell top.
void placeUpright(const QTextLine& line, const QList<VerticalText::Piece>& pieces, int first, int last,
                  const QList<double>& tops, double em, Column& column)
{
    QList<double> starts;
    QList<double> advances;
    for (int i = first; i < last; ++i) {
        const double a = line.cursorToX(pieces.at(i).from);
        const double b = line.cursorToX(pieces.at(i).from + pieces.at(i).length);
        starts.append(std::min(a, b));
        advances.append(std::abs(b - a));
    }
    const int from = pieces.at(first).from;
    const int length = pieces.at(last - 1).from + pieces.at(last - 1).length - from;
    const double baseline = line.y() + line.ascent();
    for (QGlyphRun run : line.glyphRuns(from, length)) {
        const double inCell = cellBaseline(run.rawFont(), em);
        QList<QPointF> positions = run.positions();
        for (QPointF& position : positions) {
            // The piece whose advance the glyph starts in (a mark may start a hair before its base).
            const auto after = std::upper_bound(starts.cbegin(), starts.cend(), position.x() + 0.5);
            const int i = std::max(0, static_cast<int>(after - starts.cbegin()) - 1);
            position = QPointF((em - advances.at(i)) / 2 + position.x() - starts.at(i),
                               tops.at(i) + inCell + position.y() - baseline);
        }
        run.setPositions(positions);
        column.pieces.append(PlacedGlyphs{QPointF(), QTransform(), {run}, QString()});
    }
}

// A column of nothing but ideographs the text's own font draws, in a font whose ideographs are an
// em wide (as in every CJK font): each glyph in its cell straight from the font's character map,
// without shaping the line. A guest's name is such a column, laid out afresh on every card; shaping
// it would give the same glyphs and places.
std::optional<Column> ideographColumn(const QString& text, const QFont& deviceFont,
                                      const ColumnMetrics& metrics)
{
    for (const char32_t c : text.toUcs4()) {
        if (!isIdeograph(c))
            return std::nullopt;
    }
    const QRawFont font = QRawFont::fromFont(deviceFont);
    if (!font.isValid())
        return std::nullopt;
    const double em = metrics.em;
    const ColumnFacts& facts = factsOf(font);
    if (std::abs(facts.ideographAdvance - em) > em / 100)
        return std::nullopt;
    QList<quint32> glyphs = font.glyphIndexesForString(text);
    if (glyphs.contains(0u))
        return std::nullopt;
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    const double x = (em - facts.ideographAdvance) / 2;
    for (int i = 0; i < glyphs.size(); ++i)
        positions.append(QPointF(x, i * em + em * facts.baselineShare));
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    return Column{{PlacedGlyphs{QPointF(), QTransform(), {run}, QString()}}, glyphs.size() * em};
}

Column layOutColumn(const QString& text, const QFont& deviceFont, QPaintDevice* device,
                    const ColumnMetrics& metrics)
{
    using VerticalText::PieceKind;
    if (std::optional<Column> ideographs = ideographColumn(text, deviceFont, metrics))
        return *ideographs;
    Column column;
    QString line = text;
    // A line separator would end the layout's line; in a column it is a space like any other.
    line.replace(QChar::LineSeparator, QLatin1Char(' ')).replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    QTextLayout layout(line, deviceFont, device);
    layOutLine(layout, Qt::LeftToRight);
    const QTextLine textLine = layout.lineAt(0);
    const double baseline = textLine.y() + textLine.ascent();
    const QList<VerticalText::Piece> pieces = VerticalText::pieces(line);
    const double em = metrics.em;

    double cursor = 0;
    for (int i = 0; i < pieces.size();) {
        const VerticalText::Piece& piece = pieces.at(i);
        if (piece.kind == PieceKind::Upright) {
            int last = i;
            QList<double> tops;
            for (; last < pieces.size() && pieces.at(last).kind == PieceKind::Upright; ++last) {
                tops.append(cursor);
                cursor += em;
            }
            placeUpright(textLine, pieces, i, last, tops, em, column);
            i = last;
            continue;
        }
        const double a = textLine.cursorToX(piece.from);
        const double b = textLine.cursorToX(piece.from + piece.length);
        const double advance = std::abs(b - a);
        ++i;
        if (piece.kind == PieceKind::Space) {
            cursor += advance;
            continue;
        }
        QList<QGlyphRun> runs = textLine.glyphRuns(piece.from, piece.length);
        shift(runs, QPointF(-std::min(a, b), -baseline));
        PlacedGlyphs placed;
        placed.runs = runs;
        if (piece.kind == PieceKind::Turned) {
            // Turned clockwise, the tops of the letters face right; their line box is centred across
            // the column.
            placed.origin = QPointF(em / 2 - (metrics.ascent - metrics.descent) / 2, cursor);
            placed.turn.rotate(90);
            cursor += advance;
        } else {
            // Side by side in one cell, squeezed to the cell's width when they are wider.
            const double squeeze = advance > em ? em / advance : 1.0;
            const double inCell = runs.isEmpty() ? em : cellBaseline(runs.first().rawFont(), em);
            placed.origin = QPointF((em - advance * squeeze) / 2, cursor + inCell);
            if (squeeze < 1)
                placed.turn.scale(squeeze, 1);
            cursor += em;
        }
        column.pieces.append(std::move(placed));
    }
    column.length = cursor;
    return column;
}

// Columns from right to left, the first one's cells from x = 0; each aligned down its length.
PlacedText layOutVertical(const QString& text, const QFont& font, const QFont& deviceFont,
                          QPaintDevice* device, TextAnchor anchor)
{
    const QFontMetricsF metrics(font, device);
    const QFontMetricsF deviceMetrics(deviceFont, device);
    ColumnMetrics column;
    column.em = font.pointSizeF() > 0 ? font.pointSizeF() * device->logicalDpiY() / 72.0
                                      : metrics.ascent() + metrics.descent();
    column.ascent = metrics.ascent();
    column.descent = metrics.descent();
    // A mark the font draws itself keeps its own glyph unless the font has the vertical form too.
    const auto drawable = [&](char32_t mark, char32_t form) {
        return deviceMetrics.inFontUcs4(form) || !deviceMetrics.inFontUcs4(mark);
    };

    PlacedText placed;
    placed.font = font;
    const QStringList lines = CardUnits::lines(text);
    double top = 0;
    double bottom = 0;
    double x = 0;
    for (const QString& line : lines) {
        const Column laid = line.isEmpty() ? Column{}
                                           : layOutColumn(VerticalText::withVerticalForms(line, drawable),
                                                          deviceFont, device, column);
        const double along = anchorShift(anchor, laid.length);
        for (PlacedGlyphs piece : laid.pieces) {
            piece.origin += QPointF(x, along);
            placed.pieces.append(std::move(piece));
        }
        top = std::min(top, along);
        bottom = std::max(bottom, along + laid.length);
        placed.extent = std::max(placed.extent, laid.length);
        x -= metrics.lineSpacing();
    }
    const double left = x + metrics.lineSpacing();
    placed.box = QRectF(left, top, column.em - left, bottom - top);
    placed.pieces = mergedUpright(std::move(placed.pieces));
    return placed;
}

// Lines downwards at the font's line spacing, each moved to its anchor.
PlacedText layOutHorizontal(const QString& text, const QFont& font, const QFont& deviceFont,
                            QPaintDevice* device, Qt::LayoutDirection direction, TextAnchor anchor)
{
    const QFontMetricsF metrics(font, device);
    PlacedText placed;
    placed.font = font;
    const QStringList lines = CardUnits::lines(text);
    double left = std::numeric_limits<double>::max();
    double right = std::numeric_limits<double>::lowest();
    double baseline = metrics.ascent();
    for (const QString& line : lines) {
        ShapedLine shaped = line.isEmpty() ? ShapedLine{} : shapeLine(line, deviceFont, device, direction);
        const double width = shaped.painterText.isEmpty() ? shaped.width : metrics.horizontalAdvance(line);
        const double x = anchorShift(anchor, width);
        left = std::min(left, x);
        right = std::max(right, x + width);
        placed.extent = std::max(placed.extent, width);
        if (!line.isEmpty())
            placed.pieces.append(
                PlacedGlyphs{QPointF(x, baseline), QTransform(), shaped.runs, shaped.painterText});
        baseline += metrics.lineSpacing();
    }
    const double height = (lines.size() - 1) * metrics.lineSpacing() + metrics.ascent() + metrics.descent();
    placed.box = QRectF(left, 0, right - left, height);
    return placed;
}

PlacedText layOutAt(const QString& text, const QFont& font, const QFont& deviceFont, QPaintDevice* device,
                    Qt::LayoutDirection direction, const TextPlacement& placement)
{
    return placement.vertical ? layOutVertical(text, font, deviceFont, device, placement.anchor)
                              : layOutHorizontal(text, font, deviceFont, device, direction, placement.anchor);
}

QFont sized(QFont font, double points)
{
    font.setPointSizeF(points);
    return font;
}

} // namespace

ShapedLine shapeLine(const QString& line, const QFont& font, QPaintDevice* device,
                     Qt::LayoutDirection direction)
{
    ShapedLine shaped;
    if (direction == Qt::RightToLeft || isReordered(line)) {
        shaped.painterText = line;
        return shaped;
    }

    QTextLayout layout(line, font, device);
    layOutLine(layout, direction);
    const QTextLine textLine = layout.lineAt(0);

    // A line separator (U+2028) starts a new line in a layout, never in QPainter::drawText.
    if (!textLine.isValid() || textLine.textLength() != line.size()) {
        shaped.painterText = line;
        return shaped;
    }
    // The layout's baseline lies at the tallest fallback font's ascent; ours at the font's own.
    shaped.runs = textLine.glyphRuns();
    shift(shaped.runs, QPointF(0, -(textLine.y() + textLine.ascent())));
    shaped.width = textLine.horizontalAdvance();
    return shaped;
}

PlacedText layOutPlaced(const QString& text, const QFont& font, const QFont& deviceFont, QPaintDevice* device,
                        Qt::LayoutDirection direction, const TextPlacement& placement)
{
    PlacedText placed = layOutAt(text, font, deviceFont, device, direction, placement);
    const double points = font.pointSizeF();
    if (!placement.hasFitWidth() || points <= 0)
        return placed;
    const double dotsPerMm =
        CardUnits::dotsPerMm(placement.vertical ? device->logicalDpiY() : device->logicalDpiX());
    const double room = placement.fitWidthMm * dotsPerMm + kFitSlackDots;
    if (placed.extent <= room)
        return placed;

    // Step by step down from the size given: the first step tried is the one the text's length
    // says should fit (lengths grow with the size), and steps follow until one fits or the smallest
    // size is reached.
    const double smallest = points * Placement::kSmallestFitShare;
    const double step = Placement::kFitStepPoints;
    const double wanted = points * (room / placed.extent);
    double size = points - std::max(1.0, std::ceil((points - wanted) / step - 1e-9)) * step;
    for (;;) {
        size = std::max(size, smallest);
        placed = layOutAt(text, sized(font, size), sized(deviceFont, size), device, direction, placement);
        if (placed.extent <= room || size <= smallest)
            break;
        size -= step;
    }
    placed.overflows = placed.extent > room;
    return placed;
}
