// The designer's card on screen: paints what the core's canvas gives it and passes the pointer, the
// wheel and the keys on to it. Holds no geometry of its own.
#pragma once

#include "core/design/DesignDocument.h"

#include <QWidget>

class DesignCanvas;

class DesignCanvasWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DesignCanvasWidget(QWidget* parent = nullptr);

    /// The canvas shown from now on (owned by the window); nullptr shows nothing.
    void setCanvas(DesignCanvas* canvas);
    QSize sizeHint() const override;

signals:
    /// A double click on an item, or on the card where there is none.
    void itemDoubleClicked(DesignKey key);
    void emptyDoubleClicked(const QPointF& px);
    /// Ctrl and the wheel: a zoom step in (positive) or out, about `px`.
    void zoomStepped(int steps, const QPointF& px);
    void deletePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitToCanvas();

    DesignCanvas* m_canvas = nullptr;
    int m_wheelAngle = 0; // eighths of a degree not yet turned into a zoom step
};
