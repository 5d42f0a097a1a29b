// The queries of a style's guest list: adding, changing, deleting and clearing guests, and reading
// them back for the guest grid. A guest is found by its own row identity (GuestID), never by the
// time it was saved.
#pragma once

#include "core/cards/GuestFields.h"
#include "core/store/GuestOrder.h"
#include "core/store/Result.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

class CardStore;

/// One row of Guests.
struct GuestRecord
{
    qint64 id = 0; // GuestID
    GuestFields fields;
    QString saveTime{}; // "yyyy-MM-dd HH:mm:ss", local time
};
Q_DECLARE_TYPEINFO(GuestRecord, Q_RELOCATABLE_TYPE);

class GuestStore
{
public:
    explicit GuestStore(CardStore& store) : m_store(store) {}

    /// The text form in which SaveTime is stored: local time to the second.
    static QString saveTimeText(const QDateTime& time);

    /// Appends a guest to style `listId`, saved at `savedAt`; returns the full new row.
    Result<GuestRecord> add(qint16 listId, const GuestFields& fields, const QDateTime& savedAt);
    /// Changes guest `guestId` of style `listId`; false when that guest no longer exists.
    Result<bool> change(qint16 listId, qint64 guestId, const GuestFields& fields);
    /// Deletes the given guests of style `listId` with their print records, all or none.
    Status remove(qint16 listId, const QVector<qint64>& guestIds);
    /// Deletes every guest of style `listId` with the style's print record, all or none.
    Status clear(qint16 listId);

    /// The identities of the style's guests in the order they were entered.
    Result<QVector<qint64>> ids(qint16 listId);
    /// The identities of the style's guests ordered by `key` (see GuestOrder).
    Result<QVector<qint64>> sortedIds(qint16 listId, GuestSortKey key, Qt::SortOrder order);
    /// The style's guests whose identity lies between `firstId` and `lastId`, in order.
    Result<QVector<GuestRecord>> range(qint16 listId, qint64 firstId, qint64 lastId);
    /// The style's guests among `guestIds`, in no particular order; guests no longer there are left out.
    Result<QVector<GuestRecord>> byIds(qint16 listId, const QVector<qint64>& guestIds);

private:
    CardStore& m_store;
};
