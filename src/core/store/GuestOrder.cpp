#include "core/store/GuestOrder.h"

#include "core/store/CardStore.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>

#include <algorithm>
#include <vector>

namespace {

// Column names by key; the only names ever put into the SQL text here.
const char* columnName(GuestSortKey key)
{
    switch (key) {
    case GuestSortKey::Name:
        return "Name";
    case GuestSortKey::Sex:
        return "Sex";
    case GuestSortKey::Connection:
        return "Connection";
    case GuestSortKey::Job:
        return "Job";
    case GuestSortKey::Contact:
        return "Contact";
    case GuestSortKey::Remark:
        return "Remark";
    case GuestSortKey::Salutation:
        return "Salutation";
    case GuestSortKey::Partner:
        return "Partner";
    case GuestSortKey::Table:
        return "TableNo";
    case GuestSortKey::Attending:
        return "Attending";
    }
    return "Name";
}

struct Entry
{
    qint64 id = 0;
    int rank = 0; // the value's place among the distinct values; -1: no value
};

} // namespace

namespace GuestOrder {

Result<QVector<qint64>> sortedIds(CardStore& store, qint16 listId, GuestSortKey key, Qt::SortOrder order)
{
    if (Status s = store.check(); !s.isOk())
        return s;
    QSqlQuery query(store.database());
    const QString sql = QStringLiteral("SELECT GuestID, %1 FROM Guests WHERE ListID = ? ORDER BY GuestID")
                            .arg(QLatin1String(columnName(key)));
    if (Status s = store.exec(query, sql, {listId}); !s.isOk())
        return s;

    // Lists repeat their values (sexes, tables, relations): each distinct value is compared once.
    std::vector<Entry> entries;
    QHash<QString, int> distinct;
    QStringList values;
    while (query.next()) {
        const QString value = query.value(1).toString().trimmed();
        Entry entry{query.value(0).toLongLong(), -1};
        if (!value.isEmpty()) {
            auto found = distinct.constFind(value);
            if (found == distinct.constEnd()) {
                found = distinct.insert(value, static_cast<int>(values.size()));
                values << value;
            }
            entry.rank = found.value();
        }
        entries.push_back(entry);
    }

    std::vector<int> byValue(values.size());
    for (int i = 0; i < values.size(); ++i)
        byValue[i] = i;
    if (key == GuestSortKey::Attending) {
        std::sort(byValue.begin(), byValue.end(),
                  [&](int a, int b) { return values.at(a).toLongLong() < values.at(b).toLongLong(); });
    } else {
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> sortKeys;
        sortKeys.reserve(values.size());
        for (const QString& value : std::as_const(values))
            sortKeys.push_back(collator.sortKey(value));
        std::sort(byValue.begin(), byValue.end(), [&](int a, int b) {
            const int c = sortKeys[a].compare(sortKeys[b]);
            return c != 0 ? c < 0 : values.at(a) < values.at(b);
        });
    }
    std::vector<int> place(values.size());
    for (int i = 0; i < static_cast<int>(byValue.size()); ++i)
        place[byValue[i]] = order == Qt::AscendingOrder ? i : static_cast<int>(byValue.size()) - 1 - i;

    // Entries are in the order of entry, so a stable sort keeps it among equal values.
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if ((a.rank < 0) != (b.rank < 0))
            return b.rank < 0;
        return a.rank >= 0 && place[a.rank] < place[b.rank];
    });
    QVector<qint64> ids;
    ids.reserve(static_cast<qsizetype>(entries.size()));
    for (const Entry& entry : entries)
        ids.append(entry.id);
    return ids;
}

Result<QVector<qint64>> tableOrder(CardStore& store, qint16 listId)
{
    return sortedIds(store, listId, GuestSortKey::Table, Qt::AscendingOrder);
}

} // namespace GuestOrder
