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
#include <utility>

namespace {

// Every card repeats the same labels, and shaping them (HarfBuzz asking FreeType for every glyph's
// advance) was most of the time a card took to draw. So a text met a second time is shaped once more
// and its glyphs are kept: the labels stay among the most recently drawn texts, while a guest's name,
// met once, is drawn as before and only noted, and the notes drop out in turn.
constexpr int kKeptTexts = 256;

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

// The lines of `text` shaped in `deviceFont`, spaced by the metrics of `font` as drawText's callers
// always spaced them.
ShapedText shapeText(const QString& text, const QFont& font, const QFont& deviceFont, QPaintDevice* device,
                     Qt::LayoutDirection direction)
{
    const QFontMetricsF metrics(font, device);
    ShapedText shaped;
    shaped.shaped = true;
    shaped.ascent = metrics.ascent();
    shaped.lineSpacing = metrics.lineSpacing();
    for (const QString& line : CardUnits::lines(text))
        shaped.lines.append(line.isEmpty() ? ShapedLine{} : shapeLine(line, deviceFont, device, direction));
    return shaped;
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
        auto shaped =
            std::make_unique<ShapedText>(shapeText(text, font, key.deviceFont, device, key.direction));
        drawShaped(painter, *shaped, x, y);
        cache->insert(std::move(key), shaped.release());
    } else {
        drawUnshaped(painter, text, x, y, font);
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
