#include "core/cards/CardBackground.h"

#include <QPainter>

QRectF backgroundRectMm(const BackgroundPlacement& placement, const QSizeF& pictureSize,
                        const QSizeF& paperMm)
{
    if (placement.fitsPaper() || pictureSize.width() <= 0 || pictureSize.height() <= 0)
        return QRectF(placement.offsetMm, paperMm);
    const double height = placement.widthMm * pictureSize.height() / pictureSize.width();
    return QRectF(placement.offsetMm, QSizeF(placement.widthMm, height));
}

void drawBackdrop(QPainter& painter, const CardBackdrop& backdrop, const QRectF& pagePx, double dotsPerMm)
{
    if (backdrop.isNull() || backdrop.placement.opacity <= 0)
        return;
    const QRectF rectMm =
        backgroundRectMm(backdrop.placement, backdrop.picture.size(), pagePx.size() / dotsPerMm);
    const QRectF target(pagePx.left() + rectMm.left() * dotsPerMm, pagePx.top() + rectMm.top() * dotsPerMm,
                        rectMm.width() * dotsPerMm, rectMm.height() * dotsPerMm);
    painter.save();
    painter.setClipRect(pagePx, Qt::IntersectClip);
    painter.setOpacity(std::min(backdrop.placement.opacity, 1.0));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, backdrop.picture);
    painter.restore();
}
