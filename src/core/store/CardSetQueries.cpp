#include "core/store/CardSetQueries.h"

#include "core/store/GuestOrder.h"
#include "core/store/GuestSql.h"

#include <QHash>
#include <QSqlQuery>

Result<std::optional<QString>> CardSetQueries::styleName(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query, QStringLiteral("SELECT ListName FROM Lists WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<QString>();
    return std::optional<QString>(query.value(0).toString());
}

Result<CardGuestList> CardSetQueries::guests(qint16 listId, PrintOrder order,
                                             const GuestSql::ColumnSet& columns)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    // The same order as the print run's cursor: by row identity, or by table and then row identity.
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT rowid, %1 FROM Guests WHERE ListID = ? ORDER BY rowid")
                                    .arg(GuestSql::columns(columns)),
                                {listId});
        !s.isOk())
        return s;
    // When only the name is read, the list holds only names.
    CardGuestList rows(columns != GuestSql::columnsFor(CardFieldSet()));
    while (query.next())
        rows.append(query.value(0).toLongLong(), GuestSql::fieldsAt(query, 1, columns));
    if (order == PrintOrder::Entry)
        return rows;

    const Result<QVector<qint64>> ids = GuestOrder::tableOrder(m_store, listId);
    if (!ids.isOk())
        return Status::failure(ids.error());
    QHash<qint64, qsizetype> indexOf;
    indexOf.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        indexOf.insert(rows.idAt(i), i);
    QList<qsizetype> ordered;
    ordered.reserve(rows.size());
    for (const qint64 id : ids.value()) {
        if (const auto found = indexOf.constFind(id); found != indexOf.constEnd())
            ordered.append(found.value());
    }
    return rows.taken(ordered);
}
