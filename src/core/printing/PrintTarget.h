// What a card style prints on, worked out for printing: its print setting, the sheet that setting
// comes to on the installed printers, and the correction measured for that printer and paper.
#pragma once

#include "core/cards/CardSheet.h"
#include "core/cards/PageCorrection.h"
#include "core/printing/PrintSetting.h"
#include "core/store/Result.h"

#include <optional>

class CardPrinter;
class CardStore;

struct PrintTarget
{
    PrintSetting setting;
    CardSheet sheet;
    std::optional<PageCorrection> correction; // nothing when the printer was never calibrated

    /// The correction cards are drawn through (none when not calibrated).
    PageCorrection appliedCorrection() const { return correction.value_or(PageCorrection{}); }

    /// The printer, the paper and the calibration, for the main window's status; a notice first
    /// when the style's own printer, paper or tray is not used.
    QString statusText() const;

    /// Refuses, before any card is spoiled, a sheet the printer would not print as designed.
    Status readyToPrint() const;

    /// Makes `printer` print the following cards on this sheet, through this correction.
    void applyTo(CardPrinter& printer) const;
};

/// The target of style `listId` now: its stored setting on the installed printers.
Result<PrintTarget> printTarget(CardStore& store, qint16 listId);
/// The target of a setting not stored yet (the settings window's choice).
Result<PrintTarget> printTarget(CardStore& store, const PrintSetting& setting);
