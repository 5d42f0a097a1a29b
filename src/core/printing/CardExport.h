// Every card of a style in one PDF file, one page per guest in print order, drawn by the same code
// that prints. The file appears only when it is complete: a cancelled or failed export leaves
// whatever was at the path before, and no part file.
#pragma once

#include "core/cards/CardGuestList.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/cards/SalutationRules.h"
#include "core/store/CardSetQueries.h"
#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QList>
#include <QPageLayout>
#include <QString>

#include <functional>
#include <utility>

/// What the cards of a style are made of, read afresh from the database.
struct CardSet
{
    qint16 listId = 0;
    QString styleName;
    QList<Label> labels;
    GuestNameSetting guestName;
    SalutationRules rules;
    PrintOrder order = PrintOrder::Entry;
    CardGuestList guests; // in print order, with the fields the cards show

    /// The card to fill in for each guest.
    CardTemplate card() const { return CardTemplate(labels, guestName, rules); }
};

/// Which of the guests' fields a card set holds.
enum class GuestFieldsRead
{
    ForTheCard, // those the style's cards show: a list of 100,000 guests reads quickly
    All         // every field, for cards drawn with a setting other than the stored one
};

/// Reads style `listId` (named `styleName` in messages): its labels, guest-name setting, 称谓 rules,
/// print order and guests.
Result<CardSet> loadCardSet(CardStore& store, qint16 listId, const QString& styleName,
                            GuestFieldsRead columns = GuestFieldsRead::ForTheCard);

/// The style called `nameOrNumber`, looked up by name first and then, for a number, by its number.
Result<std::pair<qint16, QString>> findStyle(CardStore& store, const QString& nameOrNumber);

/// Refuses a style that has no labels or no guests, with a message saying which.
Status checkExportable(const CardSet& cards);

/// Refuses an output path whose folder is missing or not writable, a folder, a device, pipe or socket
/// (which the final rename would replace), or the card database.
Status checkExportTarget(const QString& outPath, const QString& databasePath);

/// Called after each page with the pages done and the total; returning false cancels the export.
using ExportProgress = std::function<bool(int done, int total)>;

enum class ExportEnd
{
    Written,
    Cancelled
};

/// Writes one page per guest of `cards` on pages of `layout` into `outPath`, each card's origin at
/// the exact top-left corner of the layout's margins (the printable area).
Result<ExportEnd> exportCards(const CardSet& cards, const QPageLayout& layout, const QString& outPath,
                              const ExportProgress& progress = {});
