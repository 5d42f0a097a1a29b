// The printers of the system (CUPS queues) through Qt Print Support. Each card is drawn on the
// sheet the style chose, its origin on the exact printable area, then handed to the spooler as a
// job of its own, so a refused job is seen and reported instead of being lost.
#pragma once

#include "core/cards/PainterCardPrinter.h"

#include <memory>

class QPrinter;

class SystemCardPrinter : public PainterCardPrinter
{
public:
    SystemCardPrinter();
    ~SystemCardPrinter() override;

    int installedPrinterCount() const override;
    PrinterStatus printerStatus(const QString& name) override;
    Result<QList<SpooledJob>> spooledJobs() override;

    /// The spooler's id of the last job handed over; 0 before the first.
    int lastJobId() const { return m_lastJobId; }

protected:
    Result<QPainter*> beginDocument() override;
    Status finishDocument() override;
    void abandonDocument() override;

private:
    /// Hands the spool file to the sheet's printer as one job; its id, or a message when the spooler
    /// refuses. Says which, through setLastJob().
    Result<int> submitJob(const CardSheet& sheet, const QString& title);
    void dropSpoolFile();

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    QString m_spoolFile;
    int m_lastJobId = 0;
};
