#include "core/cards/CardDrawing.h"

#include "core/cards/CardUnits.h"
#include "core/cards/TextLayout.h"

#include <QCache>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QThread>

#include <cmath>
#include <memory>
#include <optional>
#include <utility>

namespace {

// Every card repeats the same labels, and shaping them (HarfBuzz asking FreeType for every glyph's
// advance) was most of the time a card took to draw. So a text met a second time is shaped once more
// and its glyphs are kept: the labels stay among the most recently drawn texts, while a text met once
// (a guest's name line, a label with the guest's fields) is only noted, and the notes drop out in
// turn. Such a text is put together from the kept glyphs of its Chinese characters, which fonts
// shape one at a time, so that only what was never met before is shaped.
constexpr int kKeptTexts = 4096;

struct ShapedText
{
    bool shaped = false; // false: only noted as drawn once
    double ascent = 0;
    double lineSpacing = 0;
    QList<ShapedLine> lines; // a text of the plain placement
    PlacedText placed;       // a text of any other placement
};

// What the glyphs depend on: the font given, the font as the painter completes it from the device's
// font, the device's resolution (a QFont compares equal across resolutions) and kind, and where
// the text sits at its position.
struct ShapeKey
{
    QString text;
    QFont font;
    QFont deviceFont;
    int dpiX = 0;
    int dpiY = 0;
    int deviceType = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    TextPlacement placement;

    bool operator==(const ShapeKey& other) const
    {
        return text == other.text && font == other.font && deviceFont == other.deviceFont &&
               dpiX == other.dpiX && dpiY == other.dpiY && deviceType == other.deviceType &&
               direction == other.direction && placement == other.placement;
    }
};

size_t qHash(const ShapeKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.dpiX, key.dpiY, key.deviceType, int(key.direction),
                      int(key.placement.anchor), key.placement.fitWidthMm, key.placement.vertical);
}

using ShapeCache = QCache<ShapeKey, ShapedText>;

ShapeCache& keptShapes()
{
    static ShapeCache cache(kKeptTexts);
    return cache;
}

bool s_cleanupRegistered = false;

void forgetShapes()
{
    keptShapes().clear();
    s_cleanupRegistered = false;
}

// The kept glyphs, or nothing off the application's main thread: font engines belong to the thread
// that made them.
ShapeCache* shapeCache()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    if (!s_cleanupRegistered) {
        // The glyphs hold on to font engines, which must go before the application's font database.
        qAddPostRoutine(forgetShapes);
        if (auto* gui = qobject_cast<QGuiApplication*>(app))
            QObject::connect(gui, &QGuiApplication::fontDatabaseChanged, gui, [] { keptShapes().clear(); });
        s_cleanupRegistered = true;
    }
    return &keptShapes();
}

// The lines as QPainter::drawText draws them, shaping every line anew.
void drawUnshaped(QPainter& painter, const QString& text, double x, double y, const QFont& font)
{
    const QFontMetricsF metrics(font, painter.device());
    double baseline = y + metrics.ascent();
    for (const QString& line : CardUnits::lines(text)) {
        if (!line.isEmpty())
            painter.drawText(QPointF(x, baseline), line);
        baseline += metrics.lineSpacing();
    }
}

// Characters that fonts shape one at a time whatever stands beside them, with no ligature and no
// kerning: CJK ideographs and kana.
bool shapesAlone(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return true;
    default:
        return false;
    }
}

// A piece of a line, and whether it carries on the run of one script that the piece before it
// ended with (a Chinese character after Chinese text): the layout of the whole line would draw the two
// in one glyph run.
struct Piece
{
    QString text;
    bool continuesRun = false;
};

// `line` cut before every character that shapes alone but the first, so that each piece begins as
// a run of one script does when the line is laid out whole and its glyphs come out the same: the
// characters after a Chinese character (blanks, digits, punctuation, a Latin word) stay with it.
// Empty when the line cannot be cut: fewer than two such characters, or tabs or line separators,
// which are placed by the whole line. A piece with right-to-left text is shaped for drawText, which
// then draws the whole line.
QList<Piece> pieces(const QString& line)
{
    QList<Piece> cut{Piece{}};
    bool seenAlone = false;
    // The script the run at the end of the text so far is in; blanks, digits and punctuation carry
    // on the run they follow.
    QChar::Script runScript = QChar::Script_Common;
    for (qsizetype i = 0; i < line.size();) {
        const QChar first = line.at(i);
        if (first == QLatin1Char('\t') || first == QChar::LineSeparator || first == QChar::ParagraphSeparator)
            return {};
        char32_t c = first.unicode();
        qsizetype length = 1;
        if (first.isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(first, line.at(i + 1));
            length = 2;
        }
        const QChar::Script script = QChar::script(c);
        if (shapesAlone(c)) {
            if (seenAlone)
                cut << Piece{QString(), runScript == script};
            seenAlone = true;
        }
        if (script != QChar::Script_Common && script != QChar::Script_Inherited)
            runScript = script;
        cut.last().text += QStringView(line).mid(i, length);
        i += length;
    }
    return cut.size() > 1 ? cut : QList<Piece>();
}

ShapedText shapeText(const ShapeKey& key, QPaintDevice* device, ShapeCache* cache, bool shapeWholeLines);

// The glyphs of one line put together from the kept glyphs of its pieces, shaping and keeping the
// pieces not met before, as the layout of the whole line would place them; nothing when the line
// cannot be cut or a piece needs QPainter::drawText.
std::optional<ShapedLine> composedLine(ShapeCache& cache, const ShapeKey& lineKey, const QString& line,
                                       QPaintDevice* device)
{
    const QList<Piece> cut = pieces(line);
    if (cut.isEmpty())
        return std::nullopt;
    // Copies, not pointers into the cache: keeping a new piece may drop an older one.
    QList<ShapedLine> shapes;
    shapes.reserve(cut.size());
    for (const Piece& piece : cut) {
        ShapeKey key = lineKey;
        key.text = piece.text;
        const ShapedText* kept = cache.object(key);
        ShapedText shaped;
        if (!kept || !kept->shaped) {
            // Like whole texts, a piece is kept once it is met again (a surname, a salutation), and
            // only noted the first time (a guest's table number with the character before it).
            shaped = shapeText(key, device, nullptr, true);
            cache.insert(key, kept ? new ShapedText(shaped) : new ShapedText);
            kept = &shaped;
        }
        if (kept->lines.size() != 1 || !kept->lines.first().painterText.isEmpty())
            return std::nullopt;
        shapes.append(kept->lines.first());
    }
    ShapedLine joined;
    for (qsizetype p = 0; p < shapes.size(); ++p) {
        const ShapedLine& shape = shapes.at(p);
        for (qsizetype r = 0; r < shape.runs.size(); ++r) {
            const QGlyphRun& run = shape.runs.at(r);
            QList<QPointF> positions = run.positions();
            for (QPointF& position : positions)
                position.rx() += joined.width;
            // Where the whole line would go on in one run, so do the pieces.
            if (r == 0 && cut.at(p).continuesRun && !joined.runs.isEmpty() &&
                joined.runs.last().rawFont() == run.rawFont() && joined.runs.last().flags() == run.flags()) {
                QGlyphRun& last = joined.runs.last();
                last.setGlyphIndexes(last.glyphIndexes() + run.glyphIndexes());
                last.setPositions(last.positions() + positions);
            } else {
                QGlyphRun moved = run;
                moved.setPositions(positions);
                joined.runs.append(moved);
            }
        }
        joined.width += shape.width;
    }
    return joined;
}

// The lines of `key.text` in `key.deviceFont`, spaced by the metrics of `key.font` as drawText's
// callers always spaced them. With `cache`, a line that can be cut is put together from its pieces;
// any other line is shaped whole with `shapeWholeLines`, or else left to QPainter::drawText.
ShapedText shapeText(const ShapeKey& key, QPaintDevice* device, ShapeCache* cache, bool shapeWholeLines)
{
    const QFontMetricsF metrics(key.font, device);
    ShapedText shaped;
    shaped.shaped = true;
    shaped.ascent = metrics.ascent();
    shaped.lineSpacing = metrics.lineSpacing();
    for (const QString& line : CardUnits::lines(key.text)) {
        std::optional<ShapedLine> composed;
        if (!line.isEmpty() && cache)
            composed = composedLine(*cache, key, line, device);
        if (line.isEmpty())
            shaped.lines.append(ShapedLine{});
        else if (composed)
            shaped.lines.append(*composed);
        else if (shapeWholeLines)
            shaped.lines.append(shapeLine(line, key.deviceFont, device, key.direction));
        else
            shaped.lines.append(ShapedLine{{}, line, 0});
    }
    return shaped;
}

// The kept glyphs, where drawUnshaped would have drawn them.
void drawShaped(QPainter& painter, const ShapedText& shaped, double x, double y)
{
    // QPainter::drawText cuts a line's start to whole 1/64 dots before it adds the advances.
    const double runX = std::trunc(x * 64) / 64;
    double baseline = y + shaped.ascent;
    for (const ShapedLine& line : shaped.lines) {
        if (!line.painterText.isEmpty())
            painter.drawText(QPointF(x, baseline), line.painterText);
        for (const QGlyphRun& run : line.runs)
            painter.drawGlyphRun(QPointF(runX, baseline), run);
        baseline += shaped.lineSpacing;
    }
}

// A laid-out text of any placement other than the plain one.
void drawPlaced(QPainter& painter, const PlacedText& placed, double x, double y)
{
    painter.setFont(placed.font);
    for (const PlacedGlyphs& piece : placed.pieces) {
        const QPointF at(x + piece.origin.x(), y + piece.origin.y());
        if (!piece.painterText.isEmpty()) {
            painter.drawText(at, piece.painterText);
        } else if (piece.turn.isIdentity()) {
            for (const QGlyphRun& run : piece.runs)
                painter.drawGlyphRun(at, run);
        } else {
            painter.save();
            painter.translate(at);
            painter.setTransform(piece.turn, true);
            for (const QGlyphRun& run : piece.runs)
                painter.drawGlyphRun(QPointF(), run);
            painter.restore();
        }
    }
}

// The layout of a text with a placement, as kept between cards: laid out afresh when met the first
// time (and noted), laid out and kept when met again, taken from what was kept after that. It is
// in device dots whatever the painter's transform, so the preview, which scales its painter, keeps
// layouts too. The painter has the text's font set.
PlacedText placedText(QPainter& painter, const QString& text, const QFont& font,
                      const TextPlacement& placement)
{
    QPaintDevice* device = painter.device();
    const auto layOut = [&] {
        return layOutPlaced(text, font, painter.font(), device, painter.layoutDirection(), placement);
    };
    ShapeCache* cache = shapeCache();
    if (!cache)
        return layOut();
    ShapeKey key{text,
                 font,
                 painter.font(),
                 device->logicalDpiX(),
                 device->logicalDpiY(),
                 device->devType(),
                 painter.layoutDirection(),
                 placement};
    const ShapedText* kept = cache->object(key);
    if (kept && kept->shaped)
        return kept->placed;
    auto shaped = std::make_unique<ShapedText>();
    shaped->placed = layOut();
    PlacedText placed = shaped->placed;
    shaped->shaped = kept != nullptr;
    if (!shaped->shaped)
        shaped->placed = PlacedText{}; // noted only: a text met once keeps no glyphs
    cache->insert(std::move(key), shaped.release());
    return placed;
}

} // namespace

QFont cardFont(const QString& name, int points, bool bold, bool italic)
{
    QFont font(name);
    // Points, never pixels: a 12-point text must measure 12 points on paper whatever the device.
    font.setPointSize(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void drawTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font,
                const TextPlacement& placement)
{
    QPaintDevice* device = painter.device();
    const double dotsPerMmX = CardUnits::dotsPerMm(device->logicalDpiX());
    const double dotsPerMmY = CardUnits::dotsPerMm(device->logicalDpiY());
    const double x = xMm * dotsPerMmX;
    const double y = yMm * dotsPerMmY;

    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    if (!placement.isPlain()) {
        drawPlaced(painter, placedText(painter, text, font, placement), x, y);
        painter.restore();
        return;
    }
    // Kept glyphs are drawn on painters that are at most moved; a scaled or turned painter, which no
    // card drawing uses, draws as drawText does.
    ShapeCache* cache =
        painter.combinedTransform().type() <= QTransform::TxTranslate ? shapeCache() : nullptr;
    if (!cache) {
        drawUnshaped(painter, text, x, y, font);
        painter.restore();
        return;
    }
    // painter.font() is the font as QPainter::drawText would use it.
    ShapeKey key{text,
                 font,
                 painter.font(),
                 device->logicalDpiX(),
                 device->logicalDpiY(),
                 device->devType(),
                 painter.layoutDirection(),
                 TextPlacement{}};
    if (const ShapedText* kept = cache->object(key); kept && kept->shaped) {
        drawShaped(painter, *kept, x, y);
    } else if (kept) {
        auto shaped = std::make_unique<ShapedText>(shapeText(key, device, cache, true));
        drawShaped(painter, *shaped, x, y);
        cache->insert(std::move(key), shaped.release());
    } else {
        // Met once, perhaps never again: what cannot be put together from kept pieces is left to
        // drawText, and only a note is kept.
        drawShaped(painter, shapeText(key, device, cache, false), x, y);
        cache->insert(std::move(key), new ShapedText);
    }
    painter.restore();
}

TextExtent measureTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font,
                         const TextPlacement& placement)
{
    QPaintDevice* device = painter.device();
    const double dotsPerMmX = CardUnits::dotsPerMm(device->logicalDpiX());
    const double dotsPerMmY = CardUnits::dotsPerMm(device->logicalDpiY());
    TextExtent extent;
    if (placement.isPlain()) {
        // The cells drawTextMm's lines take: their full advance and line height.
        const QFontMetricsF metrics(font, device);
        const QStringList lines = CardUnits::lines(text);
        double width = 0;
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        const double height =
            (lines.size() - 1) * metrics.lineSpacing() + metrics.ascent() + metrics.descent();
        extent.boxMm = QRectF(xMm, yMm, width / dotsPerMmX, height / dotsPerMmY);
        extent.points = font.pointSizeF();
        return extent;
    }
    painter.save();
    painter.setFont(font);
    const PlacedText placed = placedText(painter, text, font, placement);
    painter.restore();
    const QRectF& box = placed.box;
    extent.boxMm = QRectF(xMm + box.left() / dotsPerMmX, yMm + box.top() / dotsPerMmY,
                          box.width() / dotsPerMmX, box.height() / dotsPerMmY);
    extent.points = placed.font.pointSizeF();
    extent.overflows = placed.overflows;
    return extent;
}
