#include "core/store/GuestTransferStore.h"

#include "core/store/CardStore.h"
#include "core/store/Snapshots.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// A text column never receives NULL: an empty cell is stored as an empty text.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

} // namespace

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
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT Name, Sex, Connection, Job, Contact, Remark FROM Guests "
                                        "WHERE ListID = ? ORDER BY GuestID"),
                         {listId});
        !s.isOk())
        return s;
    QList<GuestFields> guests;
    while (query.next()) {
        GuestFields g;
        g.name = query.value(0).toString();
        g.sex = query.value(1).toString();
        g.connection = query.value(2).toString();
        g.job = query.value(3).toString();
        g.contact = query.value(4).toString();
        g.remark = query.value(5).toString();
        guests.append(std::move(g));
    }
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
        if (!query.prepare(QStringLiteral("INSERT INTO Guests (ListID, SaveTime, Name, Sex, Connection, Job, "
                                          "Contact, Remark) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")))
            return Status::failure(m_store.describe(query.lastError()));
        for (int i = 0; i < count; ++i) {
            const GuestFields g = guestAt(i);
            query.bindValue(0, listId);
            query.bindValue(1, saveTime);
            query.bindValue(2, text(g.name));
            query.bindValue(3, g.sex.isEmpty() ? QVariant() : QVariant(g.sex));
            query.bindValue(4, text(g.connection));
            query.bindValue(5, text(g.job));
            query.bindValue(6, text(g.contact));
            query.bindValue(7, text(g.remark));
            if (!query.exec())
                return Status::failure(m_store.describe(query.lastError()));
        }
        return Status::ok();
    });
}
