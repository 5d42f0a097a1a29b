// The one piece of code that puts card text onto paper, screen or file: a text at a position in
// millimetres, in a font sized in points, on any QPainter.
#pragma once

#include <QFont>
#include <QString>

class QPainter;

/// A font as a card stores it: face name, whole points, bold and italic.
QFont cardFont(const QString& name, int points, bool bold, bool italic);

/// Draws `text` so that the top-left corner of its first character cell lies `xMm`, `yMm` from the
/// painter's origin. Lines after the first follow downwards at the font's line spacing, from the
/// same x. Works on any device: millimetres and points are converted with the device's resolution.
/// The glyphs of a text drawn before in the same font on a device of the same kind and resolution
/// are reused rather than shaped again (on the main thread; the 256 most recently drawn texts).
void drawTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font);
