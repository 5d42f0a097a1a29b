#include "core/store/GuestStore.h"

#include "core/store/CardStore.h"
#include "core/store/Snapshots.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

QVariant sexValue(const QString& sex)
{
    return sex.isEmpty() ? QVariant() : QVariant(sex);
}

// The text columns take the empty text, never NULL; a null QString would bind as NULL.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

GuestRecord recordFrom(const QSqlQuery& query)
{
    GuestRecord record;
    record.id = query.value(0).toLongLong();
    record.fields.name = query.value(1).toString();
    record.fields.sex = query.value(2).toString();
    record.fields.connection = query.value(3).toString();
    record.fields.job = query.value(4).toString();
    record.fields.contact = query.value(5).toString();
    record.fields.remark = query.value(6).toString();
    record.saveTime = query.value(7).toString();
    return record;
}

} // namespace

bool GuestFields::operator==(const GuestFields& other) const
{
    return name == other.name && sex == other.sex && connection == other.connection && job == other.job &&
           contact == other.contact && remark == other.remark;
}

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
    if (Status s = m_store.exec(
            query,
            QStringLiteral("INSERT INTO Guests (ListID, SaveTime, Name, Sex, Connection, Job, "
                           "Contact, Remark) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {listId, record.saveTime, text(fields.name), sexValue(fields.sex), text(fields.connection),
             text(fields.job), text(fields.contact), text(fields.remark)});
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
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("UPDATE Guests SET Name = ?, Sex = ?, Connection = ?, Job = ?, "
                                        "Contact = ?, Remark = ? WHERE GuestID = ? AND ListID = ?"),
                         {text(fields.name), sexValue(fields.sex), text(fields.connection), text(fields.job),
                          text(fields.contact), text(fields.remark), guestId, listId});
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

Result<QVector<GuestRecord>> GuestStore::range(qint16 listId, qint64 firstId, qint64 lastId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT GuestID, Name, Sex, Connection, Job, Contact, Remark, "
                                        "SaveTime FROM Guests WHERE ListID = ? AND GuestID BETWEEN ? AND ? "
                                        "ORDER BY GuestID"),
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
                                QStringLiteral("SELECT GuestID, Name, Sex, Connection, Job, Contact, Remark, "
                                               "SaveTime FROM Guests WHERE ListID = ? AND GuestID IN (%1)")
                                    .arg(marks.join(QStringLiteral(", "))),
                                values);
        !s.isOk())
        return s;
    while (query.next())
        records.append(recordFrom(query));
    return records;
}
