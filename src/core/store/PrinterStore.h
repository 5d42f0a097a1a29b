// What each card style prints on (printer, paper, tray, orientation) and the corrections measured
// for each printer and paper: every query on them.
#pragma once

#include "core/cards/PageCorrection.h"
#include "core/printing/PrintSetting.h"
#include "core/store/Result.h"

#include <optional>

class CardStore;

class PrinterStore
{
public:
    explicit PrinterStore(CardStore& store) : m_store(store) {}

    /// The print setting of style `listId`; the defaults (as before such settings existed) when the
    /// style has none.
    Result<PrintSetting> styleSetting(qint16 listId);
    /// Writes the style's print setting, replacing the one it had.
    Status saveStyleSetting(qint16 listId, const PrintSetting& setting);

    /// The correction stored for `printer` on the paper `paperKey`; nothing when it was never
    /// calibrated.
    Result<std::optional<PageCorrection>> correction(const QString& printer, const QString& paperKey);
    Status saveCorrection(const QString& printer, const QString& paperKey, const PageCorrection& correction);
    /// Forgets the correction of `printer` on `paperKey`; nothing else.
    Status clearCorrection(const QString& printer, const QString& paperKey);

private:
    CardStore& m_store;
};
