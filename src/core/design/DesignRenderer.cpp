#include "core/design/DesignRenderer.h"

#include "core/cards/CardPreview.h"

#include <QPainter>

#include <functional>

void DesignRenderer::setGeometry(const DesignGeometry& geometry)
{
    if (geometry.dpi == m_geometry.dpi && geometry.paperMm == m_geometry.paperMm &&
        geometry.marginsMm == m_geometry.marginsMm)
        return;
    m_geometry = geometry;
    m_baseValid = false;
    m_cardValid = false;
    if (!m_moving.isEmpty())
        beginMove(m_moving);
}

void DesignRenderer::documentChanged()
{
    m_cardValid = false;
}

void DesignRenderer::ensureBase()
{
    const CardBackdrop backdrop = m_document.backdrop();
    if (m_baseValid && m_baseHasBackdrop == !backdrop.isNull() &&
        m_basePicture == backdrop.picture.cacheKey() && m_basePlacement == backdrop.placement)
        return;
    m_base = QImage(m_geometry.sizePx(), QImage::Format_RGB32);
    m_base.fill(QColor(0x80, 0x80, 0x80));
    QPainter painter(&m_base);
    const QRectF paper = m_geometry.paperPx();
    painter.fillRect(paper, Qt::white);
    drawBackdrop(painter, backdrop, paper, m_geometry.dotsPerMm());
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1, Qt::DashLine));
    painter.drawRect(m_geometry.printablePx());
    painter.end();
    m_baseValid = true;
    m_baseHasBackdrop = !backdrop.isNull();
    m_basePicture = backdrop.picture.cacheKey();
    m_basePlacement = backdrop.placement;
}

QImage DesignRenderer::cardLayer(const std::function<bool(DesignKey)>& shown, bool clipped) const
{
    QList<Label> labels = m_document.labels();
    const QList<DesignKey> keys = m_document.keys();
    for (int i = 0; i < labels.size(); ++i) {
        if (!shown(keys.at(i)))
            labels[i].text.clear();
    }
    GuestNameSetting guestName = m_document.guestName();
    if (!shown(kGuestNameKey)) {
        // No format, no name line.
        guestName.format.clear();
        guestName.partnerFormat.clear();
    }
    return renderCardLayer(m_geometry.sizePx(), m_geometry.originPx(),
                           CardTemplate(labels, guestName, m_document.card().rules()),
                           m_document.shownGuestFields(), m_geometry.dpi,
                           clipped ? m_geometry.printablePx() : QRectF());
}

void DesignRenderer::ensureCard()
{
    if (m_cardValid)
        return;
    if (m_moving.isEmpty()) {
        // Nothing prints outside the printable area, so nothing is shown there.
        m_card = cardLayer([](DesignKey) { return true; }, true);
    } else {
        m_still = cardLayer([this](DesignKey key) { return !m_moving.contains(key); }, true);
        // Unclipped: what lies outside the printable area now may be moved into it.
        m_movingLayer = cardLayer([this](DesignKey key) { return m_moving.contains(key); }, false);
    }
    m_cardValid = true;
}

void DesignRenderer::beginMove(const QList<DesignKey>& moving)
{
    m_moving = moving;
    m_cardValid = false;
}

void DesignRenderer::endMove()
{
    m_moving.clear();
    m_still = QImage();
    m_movingLayer = QImage();
    m_cardValid = false;
}

void DesignRenderer::paint(QPainter& painter, const QRect& exposed, const QPointF& moveOffsetPx)
{
    ensureBase();
    ensureCard();
    painter.drawImage(exposed.topLeft(), m_base, exposed);
    if (m_moving.isEmpty()) {
        painter.drawImage(exposed.topLeft(), m_card, exposed);
        return;
    }
    painter.drawImage(exposed.topLeft(), m_still, exposed);
    painter.save();
    painter.setClipRect(m_geometry.printablePx().toAlignedRect() & exposed);
    painter.drawImage(moveOffsetPx.toPoint(), m_movingLayer);
    painter.restore();
}
