#include "core/store/CardSetQueries.h"

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

Result<QList<GuestName>> CardSetQueries::guests(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    // The same order as the print run's cursor: by row identity.
    if (Status s = m_store.exec(
            query, QStringLiteral("SELECT rowid, Name FROM Guests WHERE ListID = ? ORDER BY rowid"),
            {listId});
        !s.isOk())
        return s;
    QList<GuestName> rows;
    while (query.next())
        rows.append(GuestName{query.value(0).toLongLong(), query.value(1).toString()});
    return rows;
}
