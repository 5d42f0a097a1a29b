// What is printed on plain paper before any card stock is used: the calibration test sheet and a
// trial card with the paper's edge drawn round it. Both go through the printer exactly as cards do
// (the same sheet, origin and correction), drawn by the card drawing code.
#pragma once

#include "core/cards/CardSheet.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/cards/PageCorrection.h"
#include "core/store/Result.h"

#include <QDateTime>
#include <QList>

class CardPrinter;
class CardStore;
struct PrintTarget;

/// Prints the test sheet on `sheet` through `correction`: the two cross-hairs with where each
/// should land beside it, millimetre rulers counted from the paper's edges along the top and left,
/// the printer, the paper, the correction used and `printedAt`.
Status printTestSheet(CardPrinter& printer, const CardSheet& sheet, const PageCorrection& correction,
                      const QDateTime& printedAt);

/// Prints `guest`'s card of `card` on `sheet` through `correction`, with a thin line along the
/// paper's edge (where the printer can print there), to be laid over a real card against the light.
Status printTrialCard(CardPrinter& printer, const CardSheet& sheet, const PageCorrection& correction,
                      const CardTemplate& card, const GuestFields& guest);

/// The trial card of style `listId` (named `styleName` in messages) on `target`: the card of its
/// first guest, with the paper's edge. Returns the guest's name; refuses a style without labels
/// or guests, and a sheet the printer would not print as designed.
Result<QString> printStyleTrialCard(CardStore& store, CardPrinter& printer, qint16 listId,
                                    const QString& styleName, const PrintTarget& target);
