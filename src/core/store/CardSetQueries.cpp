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

Result<QList<GuestRecord>> CardSetQueries::guests(qint16 listId, PrintOrder order)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    // The same order as the print run's cursor: by row identity, or by table and then row identity.
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT rowid, %1 FROM Guests WHERE ListID = ? ORDER BY rowid")
                                    .arg(GuestSql::columns()),
                                {listId});
        !s.isOk())
        return s;
    QList<GuestRecord> rows;
    while (query.next()) {
        GuestRecord row;
        row.id = query.value(0).toLongLong();
        row.fields = GuestSql::fieldsAt(query, 1);
        rows.append(std::move(row));
    }
    if (order == PrintOrder::Entry)
        return rows;

    const Result<QVector<qint64>> ids = GuestOrder::tableOrder(m_store, listId);
    if (!ids.isOk())
        return Status::failure(ids.error());
    QHash<qint64, qsizetype> rowOf;
    rowOf.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        rowOf.insert(rows.at(i).id, i);
    QList<GuestRecord> ordered;
    ordered.reserve(rows.size());
    for (const qint64 id : ids.value()) {
        if (const auto found = rowOf.constFind(id); found != rowOf.constEnd())
            ordered.append(std::move(rows[found.value()]));
    }
    return ordered;
}
