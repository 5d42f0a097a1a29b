#include "core/cards/PainterCardPrinter.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardUnits.h"

#include <QPainter>
#include <QPen>

namespace {

// Thin enough to measure a cross-hair's centre with a ruler, wide enough for any printer to print.
constexpr double kLineWidthMm = 0.15;

} // namespace

void PainterCardPrinter::setSheet(const CardSheet& sheet, const PageCorrection& correction)
{
    m_sheet = sheet;
    m_correction = correction;
    m_sheetSet = true;
}

void PainterCardPrinter::setDocumentTitle(const QString& title)
{
    m_title = title;
}

void PainterCardPrinter::setUnitMillimetres()
{
    // Cards know no other unit; the operation stays so that every run states it before its cards.
}

void PainterCardPrinter::setOrigin(double leftMm, double topMm)
{
    m_originLeftMm = leftMm;
    m_originTopMm = topMm;
}

void PainterCardPrinter::setPosition(double xMm, double yMm)
{
    m_xMm = xMm;
    m_yMm = yMm;
}

void PainterCardPrinter::setPlacement(const TextPlacement& placement)
{
    m_placement = placement;
}

void PainterCardPrinter::setFontName(const QString& name)
{
    m_fontName = name;
}

void PainterCardPrinter::setFontSize(int points)
{
    m_fontSize = points;
}

void PainterCardPrinter::setItalic(bool on)
{
    m_italic = on;
}

void PainterCardPrinter::setBold(bool on)
{
    m_bold = on;
}

QFont PainterCardPrinter::currentFont() const
{
    return cardFont(m_fontName, m_fontSize, m_bold, m_italic);
}

Status PainterCardPrinter::ensureDocument()
{
    if (m_painter)
        return Status::ok();
    Result<QPainter*> begun = beginDocument();
    if (!begun.isOk())
        return Status::failure(begun.error());
    m_painter = begun.value();
    if (m_sheetSet) {
        const double dotsPerMm = CardUnits::dotsPerMm(m_painter->device()->logicalDpiX());
        m_sheet.moveToPrintableOrigin(*m_painter, dotsPerMm);
        m_correction.apply(*m_painter, dotsPerMm);
    }
    return Status::ok();
}

Status PainterCardPrinter::printText(const QString& text)
{
    if (Status begun = ensureDocument(); !begun.isOk())
        return begun;
    drawTextMm(*m_painter, text, m_xMm - m_originLeftMm, m_yMm - m_originTopMm, currentFont(),
               m_placement);
    return Status::ok();
}

Status PainterCardPrinter::drawLine(double x1Mm, double y1Mm, double x2Mm, double y2Mm)
{
    if (Status begun = ensureDocument(); !begun.isOk())
        return begun;
    const double dotsPerMm = CardUnits::dotsPerMm(m_painter->device()->logicalDpiX());
    const auto dots = [&](double xMm, double yMm) {
        return QPointF((xMm - m_originLeftMm) * dotsPerMm, (yMm - m_originTopMm) * dotsPerMm);
    };
    m_painter->save();
    m_painter->setPen(QPen(Qt::black, kLineWidthMm * dotsPerMm, Qt::SolidLine, Qt::FlatCap));
    m_painter->drawLine(dots(x1Mm, y1Mm), dots(x2Mm, y2Mm));
    m_painter->restore();
    return Status::ok();
}

Status PainterCardPrinter::endDocument()
{
    m_lastJob = SentJob{};
    if (!m_painter)
        return Status::ok(); // nothing drawn since the last document: there is no page to send
    const Status finished = finishDocument();
    if (finished.isOk() && m_lastJob.outcome == SentJob::Outcome::NotSent) {
        m_lastJob.outcome = SentJob::Outcome::Taken;
        m_lastJob.printer = m_sheet.printerName;
        m_lastJob.done = true;
    }
    m_painter = nullptr;
    m_title.clear();
    return finished;
}

void PainterCardPrinter::discardDocument()
{
    if (!m_painter)
        return;
    abandonDocument();
    m_painter = nullptr;
    m_title.clear();
}
