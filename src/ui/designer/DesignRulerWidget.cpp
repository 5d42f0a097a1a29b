#include "ui/designer/DesignRulerWidget.h"

#include "core/design/DesignCanvas.h"
#include "core/design/DesignRuler.h"

#include <QPainter>

DesignRulerWidget::DesignRulerWidget(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(DesignRuler::kThicknessPx, DesignRuler::kThicknessPx);
}

void DesignRulerWidget::follow(DesignCanvas* canvas, QWidget* canvasWidget, Qt::Orientation orientation)
{
    m_canvas = canvas;
    m_canvasWidget = canvasWidget;
    m_orientation = orientation;
    if (orientation == Qt::Horizontal)
        setFixedHeight(DesignRuler::kThicknessPx);
    else
        setFixedWidth(DesignRuler::kThicknessPx);
    update();
}

void DesignRulerWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_canvas || !m_canvasWidget) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    // Where the card's 0 lies on this ruler: the canvas may be scrolled or centred in its view.
    const QPoint origin = m_canvas->toPx(QPointF(0, 0)).toPoint();
    const QPoint here = mapFromGlobal(m_canvasWidget->mapToGlobal(origin));
    const std::optional<QPointF> cursor = m_canvas->cursorMm();
    const bool horizontal = m_orientation == Qt::Horizontal;
    std::optional<double> cursorMm;
    if (cursor)
        cursorMm = horizontal ? cursor->x() : cursor->y();
    DesignRuler::paint(painter, m_orientation, size(), horizontal ? here.x() : here.y(),
                       m_canvas->geometry().dotsPerMm(), cursorMm);
}
