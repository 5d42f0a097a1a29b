// What a card style prints on, as the style stores it. Every default means "as before this could be
// chosen": the system's default printer, with the paper and tray it is set to, the card upright.
#pragma once

#include <QSizeF>
#include <QString>

struct PrintSetting
{
    QString printer;     // a queue name; empty: the system's default printer
    QString paperKey;    // a size of the printer's list (its key); empty: the printer's own paper
    QSizeF customSizeMm; // a size of the style's own, width × height as fed; used when valid
    bool landscape = false;
    QString paperSource; // the printer's keyword for a tray; empty: the printer's choice

    bool hasCustomSize() const { return customSizeMm.width() > 0 && customSizeMm.height() > 0; }
    bool operator==(const PrintSetting& other) const
    {
        return printer == other.printer && paperKey == other.paperKey && customSizeMm == other.customSizeMm &&
               landscape == other.landscape && paperSource == other.paperSource;
    }
};
