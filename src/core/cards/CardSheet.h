// The sheet a card is printed on: which printer, which paper as the printer takes it, whether the
// card is drawn turned on it, and the printer's hardware margins. Card positions are measured from
// the top-left corner of the printable area, so this is what puts (0, 0) exactly there on any
// printer, in the preview and in the export alike.
#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

class QPainter;

struct CardSheet
{
    QString printerName;            // the queue; empty when no printer is installed
    bool defaultPrinter = true;     // the system's default printer, not one the style names
    QPageSize paper{QPageSize::A4}; // as the printer takes it (fed portrait)
    QString media;             // the printer's own name for the paper, sent with each job; empty: its key
    QSizeF driverPoints;       // the paper's size as the printer's driver has it, where it is not Qt's
    bool customSize = false;   // a size of the style's own, not one the printer lists
    bool paperAccepted = true; // false: the printer does not take this custom size
    bool landscape = false;    // the card is drawn turned a quarter on the sheet
    QMarginsF sheetMarginsMm;  // the printer's hardware margins of the sheet as fed
    QString paperSource;       // the printer's keyword for the tray; empty: the printer's choice
    QString paperSourceName;
    QString notice; // why the style's own printer, paper or tray is not used; empty when it is

    /// The page every document is drawn on: the driver's own size of the paper, so that the spooler
    /// never centres a page a point smaller than the sheet.
    QPageSize printedPage() const;
    /// The sheet's size as it is printed: whole points, as the spool and PDF files write pages.
    QSizeF sheetSizeMm() const;
    /// The paper and the margins as the card sees them (turned for a landscape card).
    QSizeF paperSizeMm() const;
    QMarginsF marginsMm() const;
    QSizeF printableSizeMm() const;

    /// The paper as calibrations are kept: its size (and the card's turn) rather than its name, so
    /// that a size typed in and the same size from the printer's list share one calibration.
    QString paperKey() const;
    /// "A4（210×297 毫米）纵向".
    QString paperText() const;
    /// "FennickPDF（系统默认）" or the printer's name; "没有打印机" without one.
    QString printerText() const;

    /// The page as the card sees it, with the exact margins: for previews and exports.
    QPageLayout cardLayout() const;
    /// The sheet as the printer takes it, the whole page painted: for the printer and its stand-ins.
    QPageLayout sheetLayout() const;

    /// Moves a painter whose origin is the sheet's top-left corner (one unit one device dot,
    /// `dotsPerMm` to a millimetre) so that its origin is the printable area's top-left corner in the
    /// card's own orientation.
    void moveToPrintableOrigin(QPainter& painter, double dotsPerMm) const;

    /// `layout`'s page and margins as a sheet without a printer (a landscape layout is a card turned
    /// on a sheet fed portrait).
    static CardSheet fromLayout(const QPageLayout& layout);
};
