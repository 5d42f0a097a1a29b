// What the designer's canvas does with the pointer and the keys, without a widget: the zoom, which
// items are selected, picking items by their measured boxes, dragging them (snapped on request,
// with guide lines), the rubber band, nudges, and the painting of all of it over the card. The
// window only passes events in and paints where it is told to.
#pragma once

#include "core/design/DesignDocument.h"
#include "core/design/DesignGeometry.h"
#include "core/design/DesignRenderer.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <optional>

class QPainter;

class DesignCanvas : public QObject
{
    Q_OBJECT

public:
    /// Zooms never go below or above these (dots per inch on the canvas), nor make the canvas more
    /// than kLargestSidePx on a side.
    static constexpr double kSmallestDpi = 10;
    static constexpr double kLargestDpi = 400;
    static constexpr int kLargestSidePx = 5000;
    /// A press becomes a drag once the pointer has moved this far.
    static constexpr double kDragStartPx = 3;

    explicit DesignCanvas(DesignDocument& document, QObject* parent = nullptr);

    // Zoom and where things are
    /// Sets the zoom (clamped); returns the one set.
    double setDpi(double dpi);
    double dpi() const { return m_geometry.dpi; }
    /// The zoom at which the whole paper and its desk fit into `room`.
    double fitDpi(const QSize& room) const;
    const DesignGeometry& geometry() const { return m_geometry; }
    QSize sizePx() const { return m_geometry.sizePx(); }
    QPointF toMm(const QPointF& px) const { return m_geometry.toMm(px); }
    QPointF toPx(const QPointF& mm) const { return m_geometry.toPx(mm); }
    /// The item's box on the canvas, for an editor laid over it.
    QRect boxPx(DesignKey key) const;
    /// The topmost item under `px`, if any.
    std::optional<DesignKey> itemAt(const QPointF& px) const;

    // Selection
    const QList<DesignKey>& selection() const { return m_selection; }
    void setSelection(const QList<DesignKey>& keys);

    // Pointer
    /// A press of the main button; Shift or Ctrl adds to the selection or takes an item out of it.
    void press(const QPointF& px, Qt::KeyboardModifiers modifiers);
    /// The pointer moved, with the button held or not.
    void pointerMoved(const QPointF& px);
    void release(const QPointF& px);
    /// Drops a drag or a rubber band under way (Escape).
    void cancel();
    void pointerLeft();
    bool dragging() const { return m_mode == Mode::Dragging; }
    /// Where the pointer is over the card, in millimetres; nothing when it is off the canvas.
    std::optional<QPointF> cursorMm() const { return m_cursorMm; }

    // Keys
    /// Moves the selection by 0.1 mm, or 1 mm when `large`, in the direction of an arrow key.
    void nudge(Qt::Key arrow, bool large);

    void setSnapping(bool on) { m_snapping = on; }
    bool snapping() const { return m_snapping; }

    /// Paints the part `exposed` of the canvas: the card with everything the pointer is doing.
    void paint(QPainter& painter, const QRect& exposed);

signals:
    /// Something on the canvas looks different.
    void repaintNeeded();
    /// The canvas has another size (a new zoom or paper).
    void resized();
    void selectionChanged();
    void cursorMoved();

private:
    enum class Mode
    {
        Idle,
        Pressed, // on an item, not moved far enough to drag yet
        Dragging,
        Banding
    };

    void documentChanged();
    void startDrag();
    void updateDrag(const QPointF& px);
    void updateBand(const QPointF& px);
    void paintOverlays(QPainter& painter) const;

    DesignDocument& m_document;
    DesignRenderer m_renderer;
    DesignGeometry m_geometry;
    QList<DesignKey> m_selection;
    Mode m_mode = Mode::Idle;
    QPointF m_pressPx;
    DesignKey m_anchor = kGuestNameKey; // the item the pointer took hold of
    bool m_narrowOnRelease = false;     // a click on one of several selected items selects it alone
    QPointF m_deltaMm;
    std::optional<double> m_guideXMm;
    std::optional<double> m_guideYMm;
    QRectF m_bandPx;
    QList<DesignKey> m_bandBase;
    std::optional<DesignKey> m_hover;
    std::optional<QPointF> m_cursorMm;
    bool m_snapping = false;
};
