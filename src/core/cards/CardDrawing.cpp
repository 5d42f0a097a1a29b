#include "core/cards/CardDrawing.h"

#include "core/cards/CardUnits.h"

#include <QCache>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
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

// One line of a text: the glyphs of each font it needs (fallback fonts included), placed from the
// start of the line on its baseline.
struct ShapedLine
{
    QList<QGlyphRun> runs;
    QString painterText; // set instead of runs for a line only QPainter::drawText draws as it should
};

struct ShapedText
{
    bool shaped = false; // false: only noted as drawn once
    double ascent = 0;
    double lineSpacing = 0;
    QList<ShapedLine> lines;
};

// What the glyphs depend on: the font given, the font as the painter completes it from the device's
// font, and the device's resolution (a QFont compares equal across resolutions) and kind.
struct ShapeKey
{
    QString text;
    QFont font;
    QFont deviceFont;
    int dpiX = 0;
    int dpiY = 0;
    int deviceType = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;

    bool operator==(const ShapeKey& other) const
    {
        return text == other.text && font == other.font && deviceFont == other.deviceFont &&
               dpiX == other.dpiX && dpiY == other.dpiY && deviceType == other.deviceType &&
               direction == other.direction;
    }
};

size_t qHash(const ShapeKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.dpiX, key.dpiY, key.deviceType, int(key.direction));
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

ShapedLine shapeLine(const QString& line, const QFont& font, QPaintDevice* device,
                     Qt::LayoutDirection direction)
{
    ShapedLine shaped;
    if (direction == Qt::RightToLeft || isReordered(line)) {
        shaped.painterText = line;
        return shaped;
    }

    QTextLayout layout(line, font, device);
    layout.setCacheEnabled(true); // or glyphRuns() shapes the line a second time
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine textLine = layout.createLine();
    layout.endLayout();

    // A line separator (U+2028) starts a new line in a layout, never in QPainter::drawText.
    if (!textLine.isValid() || textLine.textLength() != line.size()) {
        shaped.painterText = line;
        return shaped;
    }
    // The layout's baseline lies at the tallest fallback font's ascent; ours at the font's own.
    const double baseline = textLine.y() + textLine.ascent();
    shaped.runs = textLine.glyphRuns();
    for (QGlyphRun& run : shaped.runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& position : positions)
            position.ry() -= baseline;
        run.setPositions(positions);
    }
    return shaped;
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

void drawTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font)
{
    QPaintDevice* device = painter.device();
    const double dotsPerMmX = CardUnits::dotsPerMm(device->logicalDpiX());
    const double dotsPerMmY = CardUnits::dotsPerMm(device->logicalDpiY());
    const double x = xMm * dotsPerMmX;
    const double y = yMm * dotsPerMmY;

    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
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
                 painter.layoutDirection()};
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
