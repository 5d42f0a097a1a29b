// The queries behind previews and exports: a style looked up by number, and every guest of a style
// in the order the cards are printed.
#pragma once

#include "core/cards/CardGuestList.h"
#include "core/store/CardStore.h"
#include "core/store/GuestSql.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>

#include <optional>

class CardSetQueries
{
public:
    explicit CardSetQueries(CardStore& store) : m_store(store) {}

    /// The name of style `listId`, or nothing when there is no such style.
    Result<std::optional<QString>> styleName(qint16 listId);

    /// Every guest of style `listId` in print order `order`, with the fields of `columns`.
    Result<CardGuestList> guests(qint16 listId, PrintOrder order = PrintOrder::Entry,
                                 const GuestSql::ColumnSet& columns = GuestSql::allColumns());

private:
    CardStore& m_store;
};
