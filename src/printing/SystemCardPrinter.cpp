#include "printing/SystemCardPrinter.h"

#include <QPrinterInfo>

int SystemCardPrinter::installedPrinterCount() const
{
    return static_cast<int>(QPrinterInfo::availablePrinterNames().size());
}
