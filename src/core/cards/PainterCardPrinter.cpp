#include "core/cards/PainterCardPrinter.h"

#include "core/cards/CardDrawing.h"

#include <QPainter>

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

Status PainterCardPrinter::printText(const QString& text)
{
    if (!m_painter) {
        Result<QPainter*> begun = beginDocument();
        if (!begun.isOk())
            return Status::failure(begun.error());
        m_painter = begun.value();
    }
    drawTextMm(*m_painter, text, m_xMm - m_originLeftMm, m_yMm - m_originTopMm, currentFont());
    return Status::ok();
}

Status PainterCardPrinter::endDocument()
{
    if (!m_painter)
        return Status::ok(); // nothing drawn since the last document: there is no page to send
    const Status finished = finishDocument();
    m_painter = nullptr;
    return finished;
}

void PainterCardPrinter::discardDocument()
{
    if (!m_painter)
        return;
    abandonDocument();
    m_painter = nullptr;
}
