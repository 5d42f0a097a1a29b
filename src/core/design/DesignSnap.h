// Where a drag in the designer puts the items it moves when snapping is on: an edge or the middle
// of the moved items on an edge or the middle of another item (a guide line shows which), otherwise
// the dragged item's position on a half-millimetre grid.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

namespace DesignSnap {

inline constexpr double kGridMm = 0.5;

struct Result
{
    QPointF deltaMm;
    std::optional<double> guideXMm; // a vertical guide line where the moved items met another item
    std::optional<double> guideYMm; // a horizontal one
};

/// The move of items spanning `movingMm` by about `rawDeltaMm`, the dragged one at `anchorMm`,
/// among `othersMm`: an edge within `toleranceMm` of another item's edge wins over the grid.
Result snapMove(const QRectF& movingMm, const QPointF& anchorMm, const QPointF& rawDeltaMm,
                const QList<QRectF>& othersMm, double toleranceMm);

} // namespace DesignSnap
