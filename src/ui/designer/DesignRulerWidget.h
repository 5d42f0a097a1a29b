// A ruler beside the designer's card: its millimetres line up with the card however it is zoomed,
// scrolled or centred; the core paints it.
#pragma once

#include <QWidget>

class DesignCanvas;

class DesignRulerWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DesignRulerWidget(QWidget* parent = nullptr);

    /// Follows `canvas`, shown by `canvasWidget`, along `orientation`.
    void follow(DesignCanvas* canvas, QWidget* canvasWidget, Qt::Orientation orientation);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DesignCanvas* m_canvas = nullptr;
    QWidget* m_canvasWidget = nullptr;
    Qt::Orientation m_orientation = Qt::Horizontal;
};
