// The printer state every backend shares (position, origin, font switches) and the drawing of each
// text through the one card drawing routine. A backend only says how a document begins, how it is
// shipped and how it is thrown away.
#pragma once

#include "core/cards/CardPrinter.h"

#include <QFont>
#include <QPointF>

class QPainter;

class PainterCardPrinter : public CardPrinter
{
public:
    void setUnitMillimetres() override;
    void setOrigin(double leftMm, double topMm) override;
    void setPosition(double xMm, double yMm) override;
    void setFontName(const QString& name) override;
    void setFontSize(int points) override;
    void setItalic(bool on) override;
    void setBold(bool on) override;
    Status printText(const QString& text) override;
    Status endDocument() override;
    void discardDocument() override;

    /// The font the next text is drawn in.
    QFont currentFont() const;
    /// The current position in the caller's coordinates (before the origin is applied).
    QPointF positionMm() const { return {m_xMm, m_yMm}; }
    /// True between the first text of a document and its end or discard.
    bool documentOpen() const { return m_painter != nullptr; }

protected:
    /// Opens a new document and returns the painter to draw it with, or a message for the user.
    virtual Result<QPainter*> beginDocument() = 0;
    /// Finishes the open document (the painter is still active) and ships it.
    virtual Status finishDocument() = 0;
    /// Drops the open document so that nothing of it is printed or kept.
    virtual void abandonDocument() = 0;

private:
    QPainter* m_painter = nullptr; // owned by the backend, valid while a document is open
    double m_originLeftMm = 0;
    double m_originTopMm = 0;
    double m_xMm = 0;
    double m_yMm = 0;
    QString m_fontName;
    int m_fontSize = 12;
    bool m_bold = false;
    bool m_italic = false;
};
