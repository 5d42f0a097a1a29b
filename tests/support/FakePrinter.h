// A printer for tests whose number of installed printers the test sets.
#pragma once

#include "printing/CardPrinter.h"

class FakePrinter : public CardPrinter
{
public:
    int installedPrinterCount() const override { return printerCount; }

    int printerCount = 1;
};
