// The system's default printer (a CUPS queue on Linux) through Qt Print Support.
#pragma once

#include "printing/CardPrinter.h"

class SystemCardPrinter : public CardPrinter
{
public:
    int installedPrinterCount() const override;
};
