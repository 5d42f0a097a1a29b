// The printer state every backend shares (position, origin, font switches) and the drawing of each
// text through the one card drawing routine. A backend only says how a document begins, how it is
// shipped and how it is thrown away.
#pragma once

#include "core/cards/CardPrinter.h"
#include "core/cards/CardSheet.h"
#include "core/cards/PageCorrection.h"

#include <QFont>
#include <QPointF>

class QPainter;

class PainterCardPrinter : public CardPrinter
{
public:
    void setSheet(const CardSheet& sheet, const PageCorrection& correction) override;
    void setDocumentTitle(const QString& title) override;
    void setUnitMillimetres() override;
    void setOrigin(double leftMm, double topMm) override;
    void setPosition(double xMm, double yMm) override;
    void setPlacement(const TextPlacement& placement) override;
    void setFontName(const QString& name) override;
    void setFontSize(int points) override;
    void setItalic(bool on) override;
    void setBold(bool on) override;
    Status printText(const QString& text) override;
    Status drawLine(double x1Mm, double y1Mm, double x2Mm, double y2Mm) override;
    Status endDocument() override;
    void discardDocument() override;
    SentJob lastJob() const override { return m_lastJob; }

    /// The font the next text is drawn in.
    QFont currentFont() const;
    /// The current position in the caller's coordinates (before the origin is applied).
    QPointF positionMm() const { return {m_xMm, m_yMm}; }
    /// True between the first text of a document and its end or discard.
    bool documentOpen() const { return m_painter != nullptr; }
    /// The sheet set last; without one, documents are drawn from the painter's own origin.
    const CardSheet& sheet() const { return m_sheet; }
    bool sheetSet() const { return m_sheetSet; }
    const PageCorrection& correction() const { return m_correction; }

protected:
    /// The title set for the document being drawn; empty when none was set.
    const QString& documentTitle() const { return m_title; }

    /// Opens a new document and returns the painter to draw it with, or a message for the user.
    /// The painter's origin is the sheet's corner, one unit a device dot.
    virtual Result<QPainter*> beginDocument() = 0;
    /// Finishes the open document (the painter is still active) and ships it.
    virtual Status finishDocument() = 0;
    /// Drops the open document so that nothing of it is printed or kept.
    virtual void abandonDocument() = 0;
    /// Says what became of the document finishDocument() is shipping. A backend that does not say
    /// is taken to have completed a document it shipped without an error.
    void setLastJob(const SentJob& job) { m_lastJob = job; }

private:
    /// Begins a document when none is open and puts its origin on the printable area.
    Status ensureDocument();

    QPainter* m_painter = nullptr; // owned by the backend, valid while a document is open
    CardSheet m_sheet;
    bool m_sheetSet = false;
    PageCorrection m_correction;
    QString m_title;
    SentJob m_lastJob;
    double m_originLeftMm = 0;
    double m_originTopMm = 0;
    double m_xMm = 0;
    double m_yMm = 0;
    TextPlacement m_placement;
    QString m_fontName;
    int m_fontSize = 12;
    bool m_bold = false;
    bool m_italic = false;
};
