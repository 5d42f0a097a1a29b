// Where the card lies on the designer's canvas at a zoom: the paper on a grey desk, its printable
// area, and the conversion between the canvas's pixels and the card's millimetres (counted, as
// label positions are, from the printable area's top-left corner).
#pragma once

#include "core/cards/CardUnits.h"

#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <cmath>

struct DesignGeometry
{
    static constexpr double kDeskMm = 8; // the grey border around the paper, where text past it shows

    QSizeF paperMm;
    QMarginsF marginsMm; // the printer's hardware margins, as the card sees them
    double dpi = 96;

    double dotsPerMm() const { return CardUnits::dotsPerMm(dpi); }
    QSize sizePx() const
    {
        return QSize(static_cast<int>(std::ceil((paperMm.width() + 2 * kDeskMm) * dotsPerMm())),
                     static_cast<int>(std::ceil((paperMm.height() + 2 * kDeskMm) * dotsPerMm())));
    }
    QRectF paperPx() const
    {
        return QRectF(kDeskMm * dotsPerMm(), kDeskMm * dotsPerMm(), paperMm.width() * dotsPerMm(),
                      paperMm.height() * dotsPerMm());
    }
    QRectF printableMm() const
    {
        return QRectF(0, 0, paperMm.width() - marginsMm.left() - marginsMm.right(),
                      paperMm.height() - marginsMm.top() - marginsMm.bottom());
    }
    QPointF originPx() const
    {
        return QPointF((kDeskMm + marginsMm.left()) * dotsPerMm(), (kDeskMm + marginsMm.top()) * dotsPerMm());
    }
    QRectF printablePx() const { return toPx(printableMm()); }
    QPointF toMm(const QPointF& px) const { return (px - originPx()) / dotsPerMm(); }
    QPointF toPx(const QPointF& mm) const { return originPx() + mm * dotsPerMm(); }
    QRectF toPx(const QRectF& mm) const { return QRectF(toPx(mm.topLeft()), mm.size() * dotsPerMm()); }
};
