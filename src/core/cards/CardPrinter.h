// The printer that cards go to: the few operations a card needs, in the order the card code calls
// them. Positions are millimetres from the top-left corner of the printable area; sizes are points.
// Besides drawing, a printer says what became of each document and what its spooler knows about
// jobs and printers, so that the print record can follow every card to the paper.
#pragma once

#include "core/cards/PrinterStatus.h"
#include "core/cards/SentJob.h"
#include "core/cards/SpooledJob.h"
#include "core/cards/TextPlacement.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>

struct CardSheet;
struct PageCorrection;

class CardPrinter
{
public:
    virtual ~CardPrinter() = default;

    /// The number of printers installed on the system; 0 when there is none.
    virtual int installedPrinterCount() const = 0;

    /// Positions from now on are millimetres (the only unit cards are designed in).
    virtual void setUnitMillimetres() = 0;
    /// The coordinates of the printable area's top-left corner; (0, 0) puts the origin there.
    virtual void setOrigin(double leftMm, double topMm) = 0;
    /// The printer, paper, tray and orientation of the documents begun from now on, with the
    /// correction every one of them is drawn through.
    virtual void setSheet(const CardSheet& sheet, const PageCorrection& correction) = 0;
    /// The name the next document carries at the spooler, where it is shown to whoever stands at
    /// the printer.
    virtual void setDocumentTitle(const QString& title) = 0;

    /// Where the top-left corner of the next text's first character cell goes (or, with an anchor,
    /// the middle or right end of its first line; see TextPlacement).
    virtual void setPosition(double xMm, double yMm) = 0;
    /// How the next text sits at its position: anchor, fit width, columns.
    virtual void setPlacement(const TextPlacement& placement) = 0;

    /// The font of the next text. A switch that is not set keeps the state the last text left.
    virtual void setFontName(const QString& name) = 0;
    virtual void setFontSize(int points) = 0;
    virtual void setItalic(bool on) = 0;
    virtual void setBold(bool on) = 0;

    /// Draws `text` at the current position; the first text after an ended document begins a new
    /// one. Fails when the document cannot begin.
    virtual Status printText(const QString& text) = 0;
    /// Draws a thin straight line between two points given in the same millimetres as positions;
    /// like a text, it begins a document when none is open. Fails when the document cannot begin.
    virtual Status drawLine(double x1Mm, double y1Mm, double x2Mm, double y2Mm) = 0;
    /// Sends the document (one page with every text drawn since it began) to the printer as a job
    /// of its own. Fails when the job cannot be written or the printer refuses it.
    virtual Status endDocument() = 0;
    /// Throws away the unfinished document: nothing drawn since the last ended document is printed.
    virtual void discardDocument() = 0;

    /// What became of the document the last endDocument() was given: not sent, refused by the
    /// spooler, or taken as a job.
    virtual SentJob lastJob() const { return {}; }
    /// What the spooler says of printer `name` now; not known for a printer without a spooler.
    virtual PrinterStatus printerStatus(const QString& /*name*/) { return {}; }
    /// Every job the spooler still keeps, of every printer; a message when it cannot be asked.
    virtual Result<QList<SpooledJob>> spooledJobs()
    {
        return Status::failure(QStringLiteral("这台打印机没有打印队列可以查询。"));
    }
};
