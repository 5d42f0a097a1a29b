// The designer's rulers: millimetres along the top and the left of the card, counted from the
// printable area's top-left corner as label positions are, with the cursor's place marked.
#pragma once

#include <QSize>
#include <Qt>

#include <optional>

class QPainter;

namespace DesignRuler {

/// The thickness of a ruler in pixels.
inline constexpr int kThicknessPx = 22;

/// Paints a ruler of `sizePx` whose 0 lies `zeroPx` from its start, `dotsPerMm` pixels to a
/// millimetre, the cursor at `cursorMm` when it is over the card.
void paint(QPainter& painter, Qt::Orientation orientation, const QSize& sizePx, double zeroPx,
           double dotsPerMm, std::optional<double> cursorMm);

} // namespace DesignRuler
