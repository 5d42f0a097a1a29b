// The one piece of code that puts card text onto paper, screen or file: a text at a position in
// millimetres, in a font sized in points, placed as its placement says, on any QPainter. Measuring
// for the preview and the checks goes through the same layout, so a text's box is the same
// everywhere.
#pragma once

#include "core/cards/TextPlacement.h"

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

/// A font as a card stores it: face name, whole points, bold and italic.
QFont cardFont(const QString& name, int points, bool bold, bool italic);

/// Draws `text` at `xMm`, `yMm` from the painter's origin. With the plain placement the position is
/// the top-left corner of the first character cell and lines after the first follow downwards at
/// the font's line spacing, from the same x; an anchor moves each line so that the position names
/// its middle or right end; a fit width draws a text that is too long smaller, step by step; a
/// vertical text stands in columns whose first cell has its top-left corner at the position (see
/// VerticalText). Works on any device: millimetres and points are converted with the device's
/// resolution. The glyphs of a text drawn before in the same font and placement on a device of the
/// same kind and resolution are reused rather than shaped again (on the main thread; the 256 most
/// recently drawn texts).
void drawTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font,
                const TextPlacement& placement = {});

/// What a text drawn by drawTextMm covers.
struct TextExtent
{
    QRectF boxMm;           // the cells of all its lines or columns, in the painter's millimetres
    double points = 0;      // the size it is drawn in: less than the font's when it was fitted
    bool overflows = false; // longer than its fit width even at the smallest size
};

/// Where, and in which size, drawTextMm puts `text` on the painter's device; nothing is drawn.
TextExtent measureTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font,
                         const TextPlacement& placement = {});
