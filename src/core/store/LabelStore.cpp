#include "core/store/LabelStore.h"

#include "core/store/CardStore.h"

#include <QSqlQuery>

namespace {

// Column names by grid column; the only names ever put into an SQL text here.
const char* columnName(LabelColumn column)
{
    switch (column) {
    case LabelColumn::Keywords:
        return "Keywords";
    case LabelColumn::KeyValue:
        return "KeyValue";
    case LabelColumn::KeyX:
        return "KeyX";
    case LabelColumn::KeyY:
        return "KeyY";
    case LabelColumn::KeyFont:
        return "KeyFont";
    case LabelColumn::KeyFontSize:
        return "KeyFontSize";
    case LabelColumn::KeyFontStyle:
        return "KeyFontStyle";
    }
    return "Keywords";
}

} // namespace

Result<QList<LabelRow>> LabelStore::labels(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT LabelID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
                                               "KeyFontSize, KeyFontStyle FROM Main WHERE ListID = ? "
                                               "ORDER BY KeyDate, LabelID"),
                                {listId});
        !s.isOk())
        return s;
    QList<LabelRow> rows;
    while (query.next()) {
        rows.append(LabelRow{query.value(0).toLongLong(), query.value(1), query.value(2), query.value(3),
                             query.value(4), query.value(5), query.value(6), query.value(7)});
    }
    return rows;
}

Result<bool> LabelStore::nameInUse(const QString& name)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query, QStringLiteral("SELECT 1 FROM Main WHERE Keywords = ? LIMIT 1"), {name});
        !s.isOk())
        return s;
    return query.next();
}

Status LabelStore::addLabel(qint16 listId, const LabelValues& values)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(query,
                        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
                                       "KeyFontSize, KeyFontStyle) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                        {listId, values.keywords, values.keyValue, values.keyXMm, values.keyYMm,
                         values.keyFont, values.keyFontSize, values.keyFontStyle});
}

Result<bool> LabelStore::changeLabel(qint16 listId, const LabelValues& values)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query,
            QStringLiteral("UPDATE Main SET KeyValue = ?, KeyX = ?, KeyY = ?, KeyFont = ?, KeyFontSize = ?, "
                           "KeyFontStyle = ? WHERE LabelID = (SELECT LabelID FROM Main WHERE ListID = ? AND "
                           "Keywords = ? ORDER BY Keywords = ? COLLATE BINARY DESC, LabelID LIMIT 1)"),
            {values.keyValue, values.keyXMm, values.keyYMm, values.keyFont, values.keyFontSize,
             values.keyFontStyle, listId, values.keywords, values.keywords});
        !s.isOk())
        return s;
    return query.numRowsAffected() > 0;
}

Status LabelStore::clearLabels(qint16 listId)
{
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        return m_store.exec(query, QStringLiteral("DELETE FROM Main WHERE ListID = ?"), {listId});
    });
}

Result<int> LabelStore::moveLabels(qint16 listId, MoveDirection direction, double distanceMm)
{
    const bool horizontal = direction == MoveDirection::Left || direction == MoveDirection::Right;
    const bool towardsOrigin = direction == MoveDirection::Left || direction == MoveDirection::Up;
    const double delta = towardsOrigin ? -distanceMm : distanceMm;
    const QString sql = horizontal ? QStringLiteral("UPDATE Main SET KeyX = KeyX + ? WHERE ListID = ?")
                                   : QStringLiteral("UPDATE Main SET KeyY = KeyY + ? WHERE ListID = ?");
    int moved = 0;
    const Status done = m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        if (Status s = m_store.exec(query, sql, {delta, listId}); !s.isOk())
            return s;
        moved = query.numRowsAffected();
        return Status::ok();
    });
    if (!done.isOk())
        return done;
    return moved;
}

Status LabelStore::saveGuestName(qint16 listId, const GuestNameValues& values)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(
        query,
        QStringLiteral(
            "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
            "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (ListID) DO UPDATE SET keyx = excluded.keyx, "
            "keyy = excluded.keyy, keyfont = excluded.keyfont, keyfontsize = excluded.keyfontsize, "
            "keyfontstyle = excluded.keyfontstyle"),
        {listId, values.xMm, values.yMm, values.font, values.fontSize, values.fontStyle});
}

Status LabelStore::setLabelValue(qint64 labelId, LabelColumn column, const QVariant& value)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    const QString sql =
        QStringLiteral("UPDATE Main SET %1 = ? WHERE LabelID = ?").arg(QLatin1String(columnName(column)));
    return m_store.exec(query, sql, {value, labelId});
}

Status LabelStore::deleteLabels(const QList<qint64>& labelIds)
{
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        for (const qint64 id : labelIds) {
            if (Status s = m_store.exec(query, QStringLiteral("DELETE FROM Main WHERE LabelID = ?"), {id});
                !s.isOk())
                return s;
        }
        return Status::ok();
    });
}
