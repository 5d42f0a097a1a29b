#include "ui/designer/DesignCanvasWidget.h"

#include "core/design/DesignCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

constexpr int kWheelStep = 120; // one notch of a mouse wheel

} // namespace

DesignCanvasWidget::DesignCanvasWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DesignCanvasWidget::setCanvas(DesignCanvas* canvas)
{
    m_canvas = canvas;
    if (m_canvas) {
        connect(m_canvas, &DesignCanvas::repaintNeeded, this, qOverload<>(&QWidget::update));
        connect(m_canvas, &DesignCanvas::resized, this, &DesignCanvasWidget::fitToCanvas);
    }
    fitToCanvas();
}

void DesignCanvasWidget::fitToCanvas()
{
    resize(sizeHint());
    update();
}

QSize DesignCanvasWidget::sizeHint() const
{
    return m_canvas ? m_canvas->sizePx() : QSize(100, 100);
}

void DesignCanvasWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!m_canvas) {
        painter.fillRect(event->rect(), palette().dark());
        return;
    }
    m_canvas->paint(painter, event->rect());
}

void DesignCanvasWidget::mousePressEvent(QMouseEvent* event)
{
    if (m_canvas && event->button() == Qt::LeftButton)
        m_canvas->press(event->position(), event->modifiers());
}

void DesignCanvasWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_canvas)
        m_canvas->pointerMoved(event->position());
}

void DesignCanvasWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_canvas && event->button() == Qt::LeftButton)
        m_canvas->release(event->position());
}

void DesignCanvasWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_canvas || event->button() != Qt::LeftButton)
        return;
    m_canvas->release(event->position());
    if (const std::optional<DesignKey> key = m_canvas->itemAt(event->position()))
        emit itemDoubleClicked(*key);
    else
        emit emptyDoubleClicked(event->position());
}

void DesignCanvasWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_canvas)
        m_canvas->pointerLeft();
}

void DesignCanvasWidget::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore(); // the scroll area scrolls
        return;
    }
    m_wheelAngle += event->angleDelta().y();
    const int steps = m_wheelAngle / kWheelStep;
    m_wheelAngle -= steps * kWheelStep;
    if (steps != 0)
        emit zoomStepped(steps, event->position());
    event->accept();
}

void DesignCanvasWidget::keyPressEvent(QKeyEvent* event)
{
    if (!m_canvas) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_canvas->nudge(static_cast<Qt::Key>(event->key()), event->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_Delete:
        emit deletePressed();
        return;
    case Qt::Key_Escape:
        if (m_canvas->dragging()) {
            m_canvas->cancel();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
