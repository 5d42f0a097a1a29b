// The system's default printer (a CUPS queue) through Qt Print Support. Each card is drawn for the
// printer's own page and printable area, then handed to the spooler as a job of its own, so a
// refused job is seen and reported instead of being lost.
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

protected:
    Result<QPainter*> beginDocument() override;
    Status finishDocument() override;
    void abandonDocument() override;

private:
    void dropSpoolFile();

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    QString m_printerName;
    QString m_spoolFile;
    int m_jobs = 0;
};
