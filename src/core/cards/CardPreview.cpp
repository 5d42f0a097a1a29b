#include "core/cards/CardPreview.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardPrinter.h"
#include "core/cards/CardRendering.h"
#include "core/cards/CardUnits.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr double kDeskMm = 8; // grey border around the page, where text past the edge shows
// Cards are laid out at the resolution they are printed and exported at (Qt's high resolution for
// PDF and for the spooler), then scaled to the zoom: fonts come in whole pixel sizes, so a text
// laid out at a screen's few dots per millimetre would run several per cent longer or shorter than
// on paper. The outlines are measured at the same resolution.
constexpr double kLayoutDpi = CardUnits::kLayoutDpi;
constexpr double kMeasureDpi = kLayoutDpi;
constexpr double kEdgeToleranceMm = 0.01;

int dotsPerMeter(double dpi)
{
    return static_cast<int>(std::lround(CardUnits::dotsPerMm(dpi) * 1000.0));
}

// Follows the card's font switches exactly as a printer does and notes every text with its font
// and placement.
class MeasuringPrinter : public CardPrinter
{
public:
    int installedPrinterCount() const override { return 1; }
    void setSheet(const CardSheet&, const PageCorrection&) override {}
    void setDocumentTitle(const QString&) override {}
    void setUnitMillimetres() override {}
    void setOrigin(double, double) override {}
    void setPosition(double xMm, double yMm) override { m_position = {xMm, yMm}; }
    void setPlacement(const TextPlacement& placement) override { m_placement = placement; }
    void setFontName(const QString& name) override { m_fontName = name; }
    void setFontSize(int points) override { m_fontSize = points; }
    void setItalic(bool on) override { m_italic = on; }
    void setBold(bool on) override { m_bold = on; }
    Status printText(const QString& text) override
    {
        m_texts.append(
            CardText{text, m_position, cardFont(m_fontName, m_fontSize, m_bold, m_italic), m_placement});
        return Status::ok();
    }
    Status drawLine(double, double, double, double) override { return Status::ok(); }
    Status endDocument() override { return Status::ok(); }
    void discardDocument() override {}

    const QList<CardText>& texts() const { return m_texts; }

private:
    QList<CardText> m_texts;
    QPointF m_position;
    TextPlacement m_placement;
    QString m_fontName;
    int m_fontSize = 12;
    bool m_bold = false;
    bool m_italic = false;
};

} // namespace

QList<CardText> cardTexts(const CardTemplate& card, const GuestFields& guest)
{
    MeasuringPrinter recorder;
    (void)drawCardFor(recorder, card, guest);
    return recorder.texts();
}

QList<CardTextBox> cardTextBoxes(const CardTemplate& card, const GuestFields& guest)
{

    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(dotsPerMeter(kMeasureDpi));
    device.setDotsPerMeterY(dotsPerMeter(kMeasureDpi));
    QPainter measuring(&device);

    QList<CardTextBox> boxes;
    const QList<CardText> texts = cardTexts(card, guest);
    for (int i = 0; i < texts.size(); ++i) {
        const bool isGuest = i == texts.size() - 1;
        if (texts.at(i).text.isEmpty())
            continue;
        CardTextBox box;
        box.isGuest = isGuest;
        box.labelIndex = isGuest ? -1 : i;
        box.name = isGuest ? guest.name : card.labels().at(i).name;
        box.text = texts.at(i).text;
        box.fontFamily = texts.at(i).font.family();
        const CardText& text = texts.at(i);
        const TextExtent extent = measureTextMm(measuring, text.text, text.positionMm.x(),
                                                text.positionMm.y(), text.font, text.placement);
        box.rectMm = extent.boxMm;
        box.overflowsWidth = extent.overflows;
        boxes.append(box);
    }
    return boxes;
}

QSizeF previewSizeMm(const QPageLayout& layout)
{
    return layout.fullRect(QPageLayout::Millimeter).size() + QSizeF(2 * kDeskMm, 2 * kDeskMm);
}

bool runsPastPrintableArea(const QRectF& boxMm, const QSizeF& printableMm)
{
    return boxMm.left() < -kEdgeToleranceMm || boxMm.top() < -kEdgeToleranceMm ||
           boxMm.right() > printableMm.width() + kEdgeToleranceMm ||
           boxMm.bottom() > printableMm.height() + kEdgeToleranceMm;
}

CardPreviewImage renderCardPreview(const QPageLayout& layout, const CardTemplate& card,
                                   const GuestFields& guest, double dpi, const QList<QRectF>& overflowMm,
                                   const QList<QRectF>& unprintableMm, const CardBackdrop& backdrop)
{
    const double dotsPerMm = CardUnits::dotsPerMm(dpi);
    const QSizeF pageMm = layout.fullRect(QPageLayout::Millimeter).size();
    const QRectF paintMm = layout.paintRect(QPageLayout::Millimeter);
    const QSize size(static_cast<int>(std::ceil((pageMm.width() + 2 * kDeskMm) * dotsPerMm)),
                     static_cast<int>(std::ceil((pageMm.height() + 2 * kDeskMm) * dotsPerMm)));

    CardPreviewImage preview;
    preview.image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    // The card drawing takes its millimetres and font sizes from the device: it lays out at the
    // print resolution and the painter scales that down. The image says its own resolution at the end.
    preview.image.setDotsPerMeterX(dotsPerMeter(kLayoutDpi));
    preview.image.setDotsPerMeterY(dotsPerMeter(kLayoutDpi));
    preview.image.fill(QColor(0x80, 0x80, 0x80));

    const QRectF page(kDeskMm * dotsPerMm, kDeskMm * dotsPerMm, pageMm.width() * dotsPerMm,
                      pageMm.height() * dotsPerMm);
    preview.printableRect =
        QRectF(page.left() + paintMm.left() * dotsPerMm, page.top() + paintMm.top() * dotsPerMm,
               paintMm.width() * dotsPerMm, paintMm.height() * dotsPerMm);

    QPainter painter(&preview.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(page, Qt::white);
    drawBackdrop(painter, backdrop, page, dotsPerMm);
    painter.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1, Qt::DashLine));
    painter.drawRect(preview.printableRect);

    // Nothing prints outside the printable area, so nothing is shown there.
    painter.save();
    painter.setClipRect(preview.printableRect);
    painter.translate(preview.printableRect.topLeft());
    painter.scale(dpi / kLayoutDpi, dpi / kLayoutDpi);
    drawCard(painter, card, guest);
    painter.restore();

    painter.translate(preview.printableRect.topLeft());
    const double penWidth = std::max(1.5, dpi / 60.0);
    const auto outline = [&](const QRectF& boxMm, Qt::PenStyle style) {
        painter.setPen(QPen(Qt::red, penWidth, style));
        painter.setBrush(Qt::NoBrush);
        const QRectF r(boxMm.left() * dotsPerMm, boxMm.top() * dotsPerMm, boxMm.width() * dotsPerMm,
                       boxMm.height() * dotsPerMm);
        painter.drawRect(r.adjusted(-penWidth, -penWidth, penWidth, penWidth));
    };
    for (const QRectF& box : overflowMm)
        outline(box, Qt::SolidLine);
    for (const QRectF& box : unprintableMm)
        outline(box, Qt::DashLine);
    painter.end();
    preview.image.setDotsPerMeterX(dotsPerMeter(dpi));
    preview.image.setDotsPerMeterY(dotsPerMeter(dpi));
    return preview;
}

QImage renderCardLayer(const QSize& sizePx, const QPointF& originPx, const CardTemplate& card,
                       const GuestFields& guest, double dpi, const QRectF& clipPx)
{
    QImage layer(sizePx, QImage::Format_ARGB32_Premultiplied);
    layer.setDotsPerMeterX(dotsPerMeter(kLayoutDpi));
    layer.setDotsPerMeterY(dotsPerMeter(kLayoutDpi));
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!clipPx.isNull())
        painter.setClipRect(clipPx);
    painter.translate(originPx);
    painter.scale(dpi / kLayoutDpi, dpi / kLayoutDpi);
    drawCard(painter, card, guest);
    painter.end();
    layer.setDotsPerMeterX(dotsPerMeter(dpi));
    layer.setDotsPerMeterY(dotsPerMeter(dpi));
    return layer;
}
