// The queries behind importing a guest list from a file and exporting it: the names a style already
// has, all its guests in list order, and adding many guests in one transaction.
#pragma once

#include "core/store/GuestStore.h"
#include "core/store/Result.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class CardStore;

class GuestTransferStore
{
public:
    explicit GuestTransferStore(CardStore& store) : m_store(store) {}

    /// The names of the style's guests, to find the imported names already in the list.
    Result<QSet<QString>> names(qint16 listId);
    /// The style's guests in the order of the guest grid.
    Result<QList<GuestFields>> guests(qint16 listId);
    /// Appends `guests` to style `listId` in their order, all saved at `savedAt`: all of them or, on
    /// any failure, none.
    Status addAll(qint16 listId, const QList<GuestFields>& guests, const QDateTime& savedAt);
    /// The same for `count` guests made one at a time by `guestAt(0)` ... `guestAt(count - 1)`, so a
    /// long list is never held whole.
    Status addAll(qint16 listId, int count, const std::function<GuestFields(int)>& guestAt,
                  const QDateTime& savedAt);

private:
    CardStore& m_store;
};
