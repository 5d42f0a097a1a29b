#include "core/store/GuestTransferStore.h"

#include "core/store/CardStore.h"
#include "core/store/GuestSql.h"
#include "core/store/Snapshots.h"

#include <QSqlError>
#include <QSqlQuery>

Result<QSet<QString>> GuestTransferStore::names(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query, QStringLiteral("SELECT Name FROM Guests WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    QSet<QString> names;
    while (query.next())
        names.insert(query.value(0).toString());
    return names;
}

Result<QList<GuestFields>> GuestTransferStore::guests(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT %1 FROM Guests WHERE ListID = ? ORDER BY GuestID")
                                    .arg(GuestSql::columns()),
                                {listId});
        !s.isOk())
        return s;
    QList<GuestFields> guests;
    while (query.next())
        guests.append(GuestSql::fieldsAt(query, 0));
    return guests;
}

Status GuestTransferStore::addAll(qint16 listId, const QList<GuestFields>& guests, const QDateTime& savedAt)
{
    return addAll(
        listId, static_cast<int>(guests.size()), [&](int i) { return guests.at(i); }, savedAt);
}

Status GuestTransferStore::addAll(qint16 listId, int count, const std::function<GuestFields(int)>& guestAt,
                                  const QDateTime& savedAt)
{
    if (count <= 0)
        return Status::ok();
    if (Status s = Snapshots(m_store).before(QStringLiteral("导入宾客"), listId); !s.isOk())
        return s;
    const QString saveTime = GuestStore::saveTimeText(savedAt);
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        if (!query.prepare(QStringLiteral("INSERT INTO Guests (ListID, SaveTime, %1) VALUES (?, ?, %2)")
                               .arg(GuestSql::columns(), GuestSql::placeholders())))
            return Status::failure(m_store.describe(query.lastError()));
        for (int i = 0; i < count; ++i) {
            const GuestFields g = guestAt(i);
            query.bindValue(0, listId);
            query.bindValue(1, saveTime);
            const QVariantList values = GuestSql::values(g);
            for (int v = 0; v < values.size(); ++v)
                query.bindValue(2 + v, values.at(v));
            if (!query.exec())
                return Status::failure(m_store.describe(query.lastError()));
        }
        return Status::ok();
    });
}
