// A style's guests put in order by any of their columns: the guest grid's sorting and the print
// order by table number. Texts compare as a Chinese reader expects (by pinyin, numbers within them by
// value, so table 8 comes before table 10); guests with equal values keep the order of entry.
#pragma once

#include "core/store/Result.h"

#include <QVector>
#include <Qt>

class CardStore;

/// What the guests can be ordered by: every column of the guest grid.
enum class GuestSortKey
{
    Name,
    Sex,
    Connection,
    Job,
    Contact,
    Remark,
    Salutation,
    Partner,
    Table,
    Attending
};

namespace GuestOrder {

/// The identities of style `listId`'s guests ordered by `key` in `order`. Guests without a value come
/// last either way; guests with equal values stay in the order they were entered.
Result<QVector<qint64>> sortedIds(CardStore& store, qint16 listId, GuestSortKey key,
                                  Qt::SortOrder order = Qt::AscendingOrder);

/// The table order of a style: by 桌号, then in the order of entry; guests without a table last.
Result<QVector<qint64>> tableOrder(CardStore& store, qint16 listId);

} // namespace GuestOrder
