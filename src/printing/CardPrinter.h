// The printer that cards go to. The main window only asks it how many printers are installed.
#pragma once

class CardPrinter
{
public:
    virtual ~CardPrinter() = default;

    /// The number of printers installed on the system; 0 when there is none.
    virtual int installedPrinterCount() const = 0;
};
