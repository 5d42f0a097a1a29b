// The layout behind the card drawing routine: a text turned into glyphs placed in device dots,
// before anything is drawn. Drawing, measuring and the glyphs kept between cards all come from here,
// so that what is measured is what is drawn.
#pragma once

#include "core/cards/TextPlacement.h"

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

class QPaintDevice;

/// One line of a text: the glyphs of each font it needs (fallback fonts included), placed from the
/// start of the line on its baseline.
struct ShapedLine
{
    QList<QGlyphRun> runs;
    QString painterText; // set instead of runs for a line only QPainter::drawText draws as it should
    double width = 0;    // the line's advance, when it has runs
};

/// Shapes one line in `font` on `device` (the font as the painter completes it for the device).
ShapedLine shapeLine(const QString& line, const QFont& font, QPaintDevice* device,
                     Qt::LayoutDirection direction);

/// Glyphs at a place of their own: drawn at the text's position plus `origin`, through `turn`.
struct PlacedGlyphs
{
    QPointF origin;
    QTransform turn; // identity, a quarter turn or a squeeze, about `origin`
    QList<QGlyphRun> runs;
    QString painterText; // drawn with QPainter::drawText at `origin` instead, its baseline there
};

/// A text laid out at its placement, in device dots from its position.
struct PlacedText
{
    QFont font; // as drawn: smaller than the one given when the text was fitted
    QList<PlacedGlyphs> pieces;
    QRectF box;        // every line's (column's) cells
    double extent = 0; // the longest line's width, or the longest column's length
    bool overflows = false;
};

/// Lays out `text` in `font` (and `deviceFont`, the same as the painter completes it for `device`)
/// as `placement` says, fitting it to its fit width.
PlacedText layOutPlaced(const QString& text, const QFont& font, const QFont& deviceFont, QPaintDevice* device,
                        Qt::LayoutDirection direction, const TextPlacement& placement);
