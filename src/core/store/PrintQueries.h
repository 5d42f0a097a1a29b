// The guests found by part of a name, for printing the card of one guest.
#pragma once

#include "core/cards/GuestFields.h"
#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>
#include <QVariant>

/// One guest found by name, with all the fields the card may show.
struct GuestRow
{
    qint64 guestId = 0;
    GuestFields fields;
};

class PrintQueries
{
public:
    explicit PrintQueries(CardStore& store) : m_store(store) {}

    /// The guests of style `listId` whose name contains `text` anywhere, in entry order. The text is
    /// taken literally: quotes, % and _ are ordinary characters; ASCII letters match in either case.
    Result<QList<GuestRow>> guestsNamed(qint16 listId, const QString& text);

private:
    CardStore& m_store;
};
