#include "core/design/DesignCanvas.h"

#include "core/design/DesignSnap.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSnapTolerancePx = 5; // an edge this close to another one snaps to it
constexpr double kPickTolerancePx = 2; // a thin text is still picked up beside its box
constexpr double kHandlePx = 6;
const QColor kSelectionColour(0x1E, 0x6E, 0xE6);
const QColor kGuideColour(0xE0, 0x20, 0xC0);

QRectF grown(const QRectF& rect, double by)
{
    return rect.adjusted(-by, -by, by, by);
}

} // namespace

DesignCanvas::DesignCanvas(DesignDocument& document, QObject* parent)
    : QObject(parent), m_document(document), m_renderer(document)
{
    const CardSheet& sheet = document.sheet();
    m_geometry.paperMm = sheet.paperSizeMm();
    m_geometry.marginsMm = sheet.marginsMm();
    m_renderer.setGeometry(m_geometry);
    connect(&m_document, &DesignDocument::changed, this, &DesignCanvas::documentChanged);
}

double DesignCanvas::setDpi(double dpi)
{
    DesignGeometry geometry = m_geometry;
    const double sideMm =
        std::max(geometry.paperMm.width(), geometry.paperMm.height()) + 2 * DesignGeometry::kDeskMm;
    const double largest = std::min(kLargestDpi, (kLargestSidePx - 1) / sideMm * CardUnits::kMmPerInch);
    geometry.dpi = std::clamp(dpi, kSmallestDpi, std::max(kSmallestDpi, largest));
    if (geometry.dpi != m_geometry.dpi) {
        m_geometry = geometry;
        m_renderer.setGeometry(m_geometry);
        emit resized();
        emit repaintNeeded();
    }
    return m_geometry.dpi;
}

double DesignCanvas::fitDpi(const QSize& room) const
{
    const QSizeF canvasMm =
        m_geometry.paperMm + QSizeF(2 * DesignGeometry::kDeskMm, 2 * DesignGeometry::kDeskMm);
    return std::min(room.width() / canvasMm.width(), room.height() / canvasMm.height()) *
           CardUnits::kMmPerInch;
}

QRect DesignCanvas::boxPx(DesignKey key) const
{
    return m_geometry.toPx(m_document.boxMm(key)).toAlignedRect();
}

std::optional<DesignKey> DesignCanvas::itemAt(const QPointF& px) const
{
    const QList<DesignBox>& boxes = m_document.boxes();
    // The one drawn last lies on top.
    for (auto it = boxes.crbegin(); it != boxes.crend(); ++it) {
        if (grown(m_geometry.toPx(it->rectMm), kPickTolerancePx).contains(px))
            return it->key;
    }
    return std::nullopt;
}

void DesignCanvas::setSelection(const QList<DesignKey>& keys)
{
    QList<DesignKey> kept;
    for (const DesignKey key : keys) {
        if (m_document.contains(key) && !kept.contains(key))
            kept.append(key);
    }
    if (kept == m_selection)
        return;
    m_selection = kept;
    emit selectionChanged();
    emit repaintNeeded();
}

void DesignCanvas::documentChanged()
{
    m_renderer.documentChanged();
    setSelection(m_selection); // drops items an undo or a deletion took away
    emit repaintNeeded();
}

void DesignCanvas::press(const QPointF& px, Qt::KeyboardModifiers modifiers)
{
    if (m_mode != Mode::Idle)
        cancel();
    m_pressPx = px;
    const bool adding = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    const std::optional<DesignKey> hit = itemAt(px);
    if (!hit) {
        m_mode = Mode::Banding;
        m_bandPx = QRectF(px, px);
        m_bandBase = adding ? m_selection : QList<DesignKey>();
        setSelection(m_bandBase);
        return;
    }
    QList<DesignKey> selection = m_selection;
    m_narrowOnRelease = false;
    if (adding) {
        if (selection.removeOne(*hit)) {
            setSelection(selection);
            return; // taken out of the selection: nothing to drag
        }
        selection.append(*hit);
    } else if (!selection.contains(*hit)) {
        selection = {*hit};
    } else {
        m_narrowOnRelease = selection.size() > 1;
    }
    setSelection(selection);
    m_anchor = *hit;
    m_mode = Mode::Pressed;
}

void DesignCanvas::pointerMoved(const QPointF& px)
{
    const QPointF mm = m_geometry.toMm(px);
    if (m_cursorMm != mm) {
        m_cursorMm = mm;
        emit cursorMoved();
    }
    switch (m_mode) {
    case Mode::Idle: {
        const std::optional<DesignKey> hover = itemAt(px);
        if (hover != m_hover) {
            m_hover = hover;
            emit repaintNeeded();
        }
        return;
    }
    case Mode::Pressed:
        if (QLineF(px, m_pressPx).length() < kDragStartPx)
            return;
        startDrag();
        updateDrag(px);
        return;
    case Mode::Dragging:
        updateDrag(px);
        return;
    case Mode::Banding:
        updateBand(px);
        return;
    }
}

void DesignCanvas::startDrag()
{
    m_mode = Mode::Dragging;
    m_narrowOnRelease = false;
    m_hover.reset();
    m_renderer.beginMove(m_selection);
}

void DesignCanvas::updateDrag(const QPointF& px)
{
    const QPointF raw = (px - m_pressPx) / m_geometry.dotsPerMm();
    const QPointF anchor = m_document.positionMm(m_anchor);
    m_guideXMm.reset();
    m_guideYMm.reset();
    if (m_snapping) {
        QRectF moving;
        QList<QRectF> others;
        for (const DesignBox& box : m_document.boxes()) {
            if (m_selection.contains(box.key))
                moving = moving.isNull() ? box.rectMm : moving.united(box.rectMm);
            else
                others.append(box.rectMm);
        }
        const DesignSnap::Result snapped =
            DesignSnap::snapMove(moving, anchor, raw, others, kSnapTolerancePx / m_geometry.dotsPerMm());
        m_deltaMm = snapped.deltaMm;
        m_guideXMm = snapped.guideXMm;
        m_guideYMm = snapped.guideYMm;
    } else {
        // The dragged item lands on a hundredth of a millimetre: finer than any printer, and
        // positions stay readable in the label grid.
        const QPointF target(std::round((anchor.x() + raw.x()) * 100) / 100,
                             std::round((anchor.y() + raw.y()) * 100) / 100);
        m_deltaMm = target - anchor;
    }
    // Held where the move itself will stop: at the edge of what the label windows take.
    const QPointF allowed = m_document.allowedMove(m_selection, m_deltaMm);
    if (allowed.x() != m_deltaMm.x())
        m_guideXMm.reset();
    if (allowed.y() != m_deltaMm.y())
        m_guideYMm.reset();
    m_deltaMm = allowed;
    emit repaintNeeded();
}

void DesignCanvas::updateBand(const QPointF& px)
{
    m_bandPx = QRectF(m_pressPx, px).normalized();
    const QRectF bandMm(m_geometry.toMm(m_bandPx.topLeft()), m_geometry.toMm(m_bandPx.bottomRight()));
    QList<DesignKey> selection = m_bandBase;
    for (const DesignBox& box : m_document.boxes()) {
        if (box.rectMm.intersects(bandMm) && !selection.contains(box.key))
            selection.append(box.key);
    }
    setSelection(selection);
    emit repaintNeeded();
}

void DesignCanvas::release(const QPointF& px)
{
    switch (m_mode) {
    case Mode::Dragging:
        updateDrag(px);
        m_renderer.endMove();
        m_mode = Mode::Idle;
        // One step of the undo stack, however many items moved.
        m_document.moveItems(m_selection, m_deltaMm);
        break;
    case Mode::Pressed:
        if (m_narrowOnRelease)
            setSelection({m_anchor});
        break;
    case Mode::Banding:
    case Mode::Idle:
        break;
    }
    m_mode = Mode::Idle;
    m_deltaMm = QPointF();
    m_guideXMm.reset();
    m_guideYMm.reset();
    m_bandPx = QRectF();
    emit repaintNeeded();
}

void DesignCanvas::cancel()
{
    if (m_mode == Mode::Dragging)
        m_renderer.endMove();
    if (m_mode == Mode::Banding)
        setSelection(m_bandBase);
    m_mode = Mode::Idle;
    m_deltaMm = QPointF();
    m_guideXMm.reset();
    m_guideYMm.reset();
    m_bandPx = QRectF();
    emit repaintNeeded();
}

void DesignCanvas::pointerLeft()
{
    m_cursorMm.reset();
    m_hover.reset();
    emit cursorMoved();
    emit repaintNeeded();
}

void DesignCanvas::nudge(Qt::Key arrow, bool large)
{
    const double step = large ? 1.0 : 0.1;
    QPointF delta;
    switch (arrow) {
    case Qt::Key_Left:
        delta = {-step, 0};
        break;
    case Qt::Key_Right:
        delta = {step, 0};
        break;
    case Qt::Key_Up:
        delta = {0, -step};
        break;
    case Qt::Key_Down:
        delta = {0, step};
        break;
    default:
        return;
    }
    if (m_mode == Mode::Idle)
        m_document.moveItems(m_selection, delta);
}

void DesignCanvas::paint(QPainter& painter, const QRect& exposed)
{
    m_renderer.paint(painter, exposed, m_deltaMm * m_geometry.dotsPerMm());
    painter.save();
    painter.setClipRect(exposed);
    paintOverlays(painter);
    painter.restore();
}

void DesignCanvas::paintOverlays(QPainter& painter) const
{
    const QPointF shift = m_mode == Mode::Dragging ? m_deltaMm * m_geometry.dotsPerMm() : QPointF();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (const DesignBox& box : m_document.boxes()) {
        const bool moving = m_mode == Mode::Dragging && m_selection.contains(box.key);
        const QRectF rect = m_geometry.toPx(box.rectMm).translated(moving ? shift : QPointF());
        const bool past =
            moving ? !grown(m_geometry.printableMm(), 0.01).contains(box.rectMm.translated(m_deltaMm))
                   : box.pastPrintableArea;
        if (box.tooLong && !moving) {
            // Longer than its fit width even at the smallest size, as the preview marks it.
            painter.setPen(QPen(Qt::red, 1.5));
            painter.drawRect(grown(rect, 3));
        }
        if (past) {
            // Part of it will not print, as the preview marks it.
            painter.setPen(QPen(Qt::red, 1.5, Qt::DashLine));
            painter.drawRect(grown(rect, 2));
        }
        if (m_selection.contains(box.key)) {
            painter.setPen(QPen(kSelectionColour, 1));
            painter.drawRect(grown(rect, 1));
            const QRectF r = grown(rect, 1);
            painter.setBrush(Qt::white);
            for (const QPointF& corner :
                 {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                  QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()),
                  QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y())})
                painter.drawRect(
                    QRectF(corner - QPointF(kHandlePx / 2, kHandlePx / 2), QSizeF(kHandlePx, kHandlePx)));
            painter.setBrush(Qt::NoBrush);
        } else if (m_hover == box.key) {
            painter.setPen(QPen(kSelectionColour.lighter(150), 1, Qt::DotLine));
            painter.drawRect(grown(rect, 1));
        }
    }
    const QRectF paper = m_geometry.paperPx();
    painter.setPen(QPen(kGuideColour, 1));
    if (m_guideXMm) {
        const double x = m_geometry.toPx(QPointF(*m_guideXMm, 0)).x();
        painter.drawLine(QPointF(x, paper.top()), QPointF(x, paper.bottom()));
    }
    if (m_guideYMm) {
        const double y = m_geometry.toPx(QPointF(0, *m_guideYMm)).y();
        painter.drawLine(QPointF(paper.left(), y), QPointF(paper.right(), y));
    }
    if (m_mode == Mode::Banding && !m_bandPx.isEmpty()) {
        QColor fill = kSelectionColour;
        fill.setAlpha(40);
        painter.setBrush(fill);
        painter.setPen(QPen(kSelectionColour, 1, Qt::DashLine));
        painter.drawRect(m_bandPx);
    }
}
