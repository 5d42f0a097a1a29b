#include "core/store/StyleStore.h"

#include "core/store/CardStore.h"

#include <QSqlQuery>

Result<QVector<StyleEntry>> StyleStore::stylesByNumber()
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query, QStringLiteral("SELECT ListID, ListName FROM Lists ORDER BY ListID"));
        !s.isOk())
        return s;
    QVector<StyleEntry> styles;
    while (query.next())
        styles.append({static_cast<qint16>(query.value(0).toInt()), query.value(1).toString()});
    return styles;
}

Result<NewStyleOutcome> StyleStore::create(qint16 id, const QString& name)
{
    NewStyleOutcome outcome = NewStyleOutcome::Created;
    const Status done = m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        // ListName carries NOCASE, so "Wedding" finds "wedding".
        if (Status s = m_store.exec(
                query, QStringLiteral("SELECT 1 FROM Lists WHERE ListID = ? OR ListName = ? LIMIT 1"),
                {id, name});
            !s.isOk())
            return s;
        if (query.next()) {
            outcome = NewStyleOutcome::Taken;
            return Status::ok();
        }
        query.finish();
        if (Status s = m_store.exec(
                query, QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (?, ?)"), {id, name});
            !s.isOk())
            return s;
        return m_store.exec(query, QStringLiteral("INSERT INTO GuestXY (ListID) VALUES (?)"), {id});
    });
    if (!done.isOk())
        return done;
    return outcome;
}
