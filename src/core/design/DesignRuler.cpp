#include "core/design/DesignRuler.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr double kSmallestLabelGapPx = 36; // numbers never crowd closer than this
constexpr double kSmallestTickGapPx = 3;

// The step between numbered ticks: 10, 20, 50, 100 ... millimetres, whichever leaves room.
double numberStepMm(double dotsPerMm)
{
    for (double step : {5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0}) {
        if (step * dotsPerMm >= kSmallestLabelGapPx)
            return step;
    }
    return 1000;
}

} // namespace

namespace DesignRuler {

void paint(QPainter& painter, Qt::Orientation orientation, const QSize& sizePx, double zeroPx,
           double dotsPerMm, std::optional<double> cursorMm)
{
    const bool horizontal = orientation == Qt::Horizontal;
    const int length = horizontal ? sizePx.width() : sizePx.height();
    const int thickness = horizontal ? sizePx.height() : sizePx.width();
    painter.fillRect(QRect(QPoint(0, 0), sizePx), QColor(0xF0, 0xF0, 0xF0));
    painter.setPen(QColor(0x90, 0x90, 0x90));
    if (horizontal)
        painter.drawLine(0, thickness - 1, length, thickness - 1);
    else
        painter.drawLine(thickness - 1, 0, thickness - 1, length);
    if (dotsPerMm <= 0)
        return;

    const double numbered = numberStepMm(dotsPerMm);
    const double tick =
        dotsPerMm >= kSmallestTickGapPx ? 1 : (5 * dotsPerMm >= kSmallestTickGapPx ? 5 : numbered);
    const long first = static_cast<long>(std::floor(-zeroPx / dotsPerMm / tick));
    const long last = static_cast<long>(std::ceil((length - zeroPx) / dotsPerMm / tick));
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    for (long n = first; n <= last; ++n) {
        const double mm = n * tick;
        const double at = zeroPx + mm * dotsPerMm;
        const bool isNumbered = std::fmod(std::abs(mm), numbered) < 1e-9;
        const bool isHalf = std::fmod(std::abs(mm), 5.0) < 1e-9;
        const int tickLength = isNumbered ? thickness - 2 : (isHalf ? thickness / 2 : thickness / 4);
        const int p = static_cast<int>(std::lround(at));
        if (horizontal) {
            painter.drawLine(p, thickness - tickLength, p, thickness - 1);
            if (isNumbered)
                painter.drawText(QPoint(p + 2, 10), QString::number(mm, 'f', 0));
        } else {
            painter.drawLine(thickness - tickLength, p, thickness - 1, p);
            if (isNumbered) {
                painter.drawText(QRect(1, p + 1, thickness - 3, 12), Qt::AlignLeft | Qt::AlignTop,
                                 QString::number(mm, 'f', 0));
            }
        }
    }
    if (cursorMm) {
        const int p = static_cast<int>(std::lround(zeroPx + *cursorMm * dotsPerMm));
        painter.setPen(QPen(QColor(0xD0, 0x20, 0x20), 1));
        if (horizontal)
            painter.drawLine(p, 0, p, thickness);
        else
            painter.drawLine(0, p, thickness, p);
    }
}

} // namespace DesignRuler
