// The queries behind previews and exports: a style looked up by number, and every guest of a style
// in the order the cards are printed.
#pragma once

#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>

#include <optional>

/// One guest as a card needs it.
struct GuestName
{
    qint64 guestId = 0;
    QString name;
};

class CardSetQueries
{
public:
    explicit CardSetQueries(CardStore& store) : m_store(store) {}

    /// The name of style `listId`, or nothing when there is no such style.
    Result<std::optional<QString>> styleName(qint16 listId);

    /// Every guest of style `listId` in print order (the order in which they were entered).
    Result<QList<GuestName>> guests(qint16 listId);

private:
    CardStore& m_store;
};
