#include "core/design/DesignSnap.h"

#include <cmath>

namespace {

struct Axis
{
    double delta = 0;
    std::optional<double> guide;
};

// One axis: `moving` are the moved items' left, middle and right (or top, middle and bottom).
Axis snapAxis(const double (&moving)[3], double anchor, double raw, const QList<QRectF>& others,
              double tolerance, bool horizontal)
{
    Axis axis;
    double best = tolerance;
    for (const QRectF& other : others) {
        const double edges[3] = {horizontal ? other.left() : other.top(),
                                 horizontal ? other.center().x() : other.center().y(),
                                 horizontal ? other.right() : other.bottom()};
        for (const double edge : edges) {
            for (const double own : moving) {
                const double distance = edge - (own + raw);
                if (std::abs(distance) <= best) {
                    best = std::abs(distance);
                    axis.delta = raw + distance;
                    axis.guide = edge;
                }
            }
        }
    }
    if (!axis.guide) {
        const double target = std::round((anchor + raw) / DesignSnap::kGridMm) * DesignSnap::kGridMm;
        axis.delta = target - anchor;
    }
    return axis;
}

} // namespace

namespace DesignSnap {

Result snapMove(const QRectF& movingMm, const QPointF& anchorMm, const QPointF& rawDeltaMm,
                const QList<QRectF>& othersMm, double toleranceMm)
{
    const double xs[3] = {movingMm.left(), movingMm.center().x(), movingMm.right()};
    const double ys[3] = {movingMm.top(), movingMm.center().y(), movingMm.bottom()};
    const Axis x = snapAxis(xs, anchorMm.x(), rawDeltaMm.x(), othersMm, toleranceMm, true);
    const Axis y = snapAxis(ys, anchorMm.y(), rawDeltaMm.y(), othersMm, toleranceMm, false);
    return Result{QPointF(x.delta, y.delta), x.guide, y.guide};
}

} // namespace DesignSnap
