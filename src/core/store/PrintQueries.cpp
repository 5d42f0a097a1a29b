#include "core/store/PrintQueries.h"

#include "core/store/GuestSql.h"

#include <QSqlQuery>

namespace {

// LIKE with this escape character: the typed text cannot act as a pattern.
QString likeContaining(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += QLatin1Char('%');
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    escaped += QLatin1Char('%');
    return escaped;
}

} // namespace

Result<QList<GuestRow>> PrintQueries::guestsNamed(qint16 listId, const QString& text)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT GuestID, %1 FROM Guests WHERE ListID = ? AND Name "
                                               "LIKE ? ESCAPE '\\' ORDER BY GuestID")
                                    .arg(GuestSql::columns()),
                                {listId, likeContaining(text)});
        !s.isOk())
        return s;
    QList<GuestRow> rows;
    while (query.next())
        rows.append(GuestRow{query.value(0).toLongLong(), GuestSql::fieldsAt(query, 1)});
    return rows;
}
