// What a print run reads about a style before its first card: the guest-name setting and 称谓 rules,
// whether the style can be printed, its guest count, its print order and the guest cursor on its
// first guest.
#pragma once

#include "core/cards/GuestNameSetting.h"
#include "core/cards/SalutationRules.h"
#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QString>

#include <optional>

struct StyleLoad
{
    GuestNameSetting guestName;
    SalutationRules rules;
    PrintOrder order = PrintOrder::Entry;
    bool hasLabels = false;
    int guestCount = 0;
    GuestCursor cursor;

    bool printable() const { return hasLabels && guestCount > 0; }
};

/// The setting a load leaves: `stored` where the style has one, except that a size or style word
/// never saved keeps the one of `previous`; `previous` whole when the style has no setting row.
GuestNameSetting loadedGuestName(const GuestNameSetting& previous,
                                 const std::optional<GuestNameSetting>& stored);

/// Reads style `listId` (named `listName` in messages) over the setting `previous`.
Result<StyleLoad> loadStyle(CardStore& store, qint16 listId, const QString& listName,
                            const GuestNameSetting& previous);

/// Reads only what the cards of style `listId` are drawn with and in which order: the guest-name
/// setting (over `previous`), the 称谓 rules and the print order; no count and no cursor.
Result<StyleLoad> loadStyleSettings(CardStore& store, qint16 listId, const QString& listName,
                                    const GuestNameSetting& previous);
