// The designer's canvas as pictures: the desk, the paper, the background and the printable area's
// outline in one layer; the card, drawn by the card drawing routine as it prints, in another. While
// items are dragged the card is kept in two layers, without them and them alone, so that a frame
// of the drag is a few copies rather than a new drawing of every label.
#pragma once

#include "core/cards/CardBackground.h"
#include "core/design/DesignDocument.h"
#include "core/design/DesignGeometry.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>

class QPainter;

class DesignRenderer
{
public:
    explicit DesignRenderer(const DesignDocument& document) : m_document(document) {}

    void setGeometry(const DesignGeometry& geometry);
    /// The document looks different: the card is drawn afresh at the next paint.
    void documentChanged();
    /// Keeps `moving` apart from the rest of the card until endMove().
    void beginMove(const QList<DesignKey>& moving);
    void endMove();

    /// Paints the part `exposed` of the canvas, the items being moved shifted by `moveOffsetPx`.
    void paint(QPainter& painter, const QRect& exposed, const QPointF& moveOffsetPx);

private:
    void ensureBase();
    void ensureCard();
    /// The card with only the items `shown` says drawn (font switches of the others still apply).
    QImage cardLayer(const std::function<bool(DesignKey)>& shown, bool clipped) const;

    const DesignDocument& m_document;
    DesignGeometry m_geometry;
    QImage m_base;
    bool m_baseValid = false;
    qint64 m_basePicture = 0;
    BackgroundPlacement m_basePlacement;
    bool m_baseHasBackdrop = false;
    QImage m_card;
    bool m_cardValid = false;
    QList<DesignKey> m_moving;
    QImage m_still;
    QImage m_movingLayer;
};
