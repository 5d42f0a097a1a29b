#include "core/store/GuestStore.h"

#include "core/store/CardStore.h"
#include "core/store/GuestSql.h"
#include "core/store/Snapshots.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

GuestRecord recordFrom(const QSqlQuery& query)
{
    GuestRecord record;
    record.id = query.value(0).toLongLong();
    record.saveTime = query.value(1).toString();
    record.fields = GuestSql::fieldsAt(query, 2);
    return record;
}

const QString kRecordColumns = QStringLiteral("GuestID, SaveTime, ") + GuestSql::columns();

} // namespace

QString GuestStore::saveTimeText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Result<GuestRecord> GuestStore::add(qint16 listId, const GuestFields& fields, const QDateTime& savedAt)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    GuestRecord record;
    record.fields = fields;
    record.saveTime = saveTimeText(savedAt);
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("INSERT INTO Guests (ListID, SaveTime, %1) VALUES (?, ?, %2)")
                                    .arg(GuestSql::columns(), GuestSql::placeholders()),
                                QVariantList{listId, record.saveTime} + GuestSql::values(fields));
        !s.isOk())
        return s;
    record.id = query.lastInsertId().toLongLong();
    return record;
}

Result<bool> GuestStore::change(qint16 listId, qint64 guestId, const GuestFields& fields)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("UPDATE Guests SET %1 WHERE GuestID = ? AND ListID = ?")
                                    .arg(GuestSql::assignments()),
                                GuestSql::values(fields) + QVariantList{guestId, listId});
        !s.isOk())
        return s;
    return query.numRowsAffected() > 0;
}

Status GuestStore::remove(qint16 listId, const QVector<qint64>& guestIds)
{
    if (guestIds.isEmpty())
        return Status::ok();
    if (Status s = Snapshots(m_store).before(QStringLiteral("删除宾客"), listId); !s.isOk())
        return s;
    return m_store.inTransaction([&]() -> Status {
        // A deleted guest's cards go with the guest.
        for (const char* sql : {"DELETE FROM Guests WHERE GuestID = ? AND ListID = ?",
                                "DELETE FROM PrintRecord WHERE GuestID = ? AND ListID = ?"}) {
            QSqlQuery query(m_store.database());
            if (!query.prepare(QString::fromLatin1(sql)))
                return Status::failure(m_store.describe(query.lastError()));
            for (const qint64 id : guestIds) {
                query.addBindValue(id);
                query.addBindValue(listId);
                if (!query.exec())
                    return Status::failure(m_store.describe(query.lastError()));
            }
        }
        return Status::ok();
    });
}

Status GuestStore::clear(qint16 listId)
{
    if (Status s = Snapshots(m_store).before(QStringLiteral("清空宾客"), listId); !s.isOk())
        return s;
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        if (Status s = m_store.exec(query, QStringLiteral("DELETE FROM Guests WHERE ListID = ?"), {listId});
            !s.isOk())
            return s;
        return m_store.exec(query, QStringLiteral("DELETE FROM PrintRecord WHERE ListID = ?"), {listId});
    });
}

Result<QVector<qint64>> GuestStore::ids(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query, QStringLiteral("SELECT GuestID FROM Guests WHERE ListID = ? ORDER BY GuestID"), {listId});
        !s.isOk())
        return s;
    QVector<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    return ids;
}

Result<QVector<qint64>> GuestStore::sortedIds(qint16 listId, GuestSortKey key, Qt::SortOrder order)
{
    return GuestOrder::sortedIds(m_store, listId, key, order);
}

Result<QVector<GuestRecord>> GuestStore::range(qint16 listId, qint64 firstId, qint64 lastId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT %1 FROM Guests WHERE ListID = ? AND GuestID BETWEEN ? "
                                               "AND ? ORDER BY GuestID")
                                    .arg(kRecordColumns),
                                {listId, firstId, lastId});
        !s.isOk())
        return s;
    QVector<GuestRecord> records;
    while (query.next())
        records.append(recordFrom(query));
    return records;
}

Result<QVector<GuestRecord>> GuestStore::byIds(qint16 listId, const QVector<qint64>& guestIds)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QVector<GuestRecord> records;
    if (guestIds.isEmpty())
        return records;
    QStringList marks;
    QVariantList values{listId};
    for (const qint64 id : guestIds) {
        marks << QStringLiteral("?");
        values << id;
    }
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT %1 FROM Guests WHERE ListID = ? AND GuestID IN (%2)")
                                    .arg(kRecordColumns, marks.join(QStringLiteral(", "))),
                                values);
        !s.isOk())
        return s;
    while (query.next())
        records.append(recordFrom(query));
    return records;
}
