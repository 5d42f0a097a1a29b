#include "core/store/CardFieldStore.h"

#include "core/store/CardStore.h"

#include <QSqlQuery>

Result<SalutationRules> CardFieldStore::salutationRules(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query, QStringLiteral("SELECT Sex, Salutation FROM Salutations WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    SalutationRules rules;
    while (query.next()) {
        const QString sex = query.value(0).toString();
        const QString salutation = query.value(1).toString();
        if (sex == QStringLiteral("男"))
            rules.male = salutation;
        else if (sex == QStringLiteral("女"))
            rules.female = salutation;
        else
            rules.unknown = salutation;
    }
    return rules;
}

Status CardFieldStore::saveSalutationRules(qint16 listId, const SalutationRules& rules)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    const QString sql =
        QStringLiteral("INSERT INTO Salutations (ListID, Sex, Salutation) VALUES (?, ?, ?) "
                       "ON CONFLICT (ListID, Sex) DO UPDATE SET Salutation = excluded.Salutation");
    const struct
    {
        const char* sex;
        const QString& salutation;
    } rows[] = {{"男", rules.male}, {"女", rules.female}, {"", rules.unknown}};
    for (const auto& row : rows) {
        const QString salutation = row.salutation.isNull() ? QStringLiteral("") : row.salutation;
        if (Status s = m_store.exec(query, sql, {listId, QString::fromUtf8(row.sex), salutation}); !s.isOk())
            return s;
    }
    return Status::ok();
}

Result<bool> CardFieldStore::tableOrder(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query, QStringLiteral("SELECT TableOrder FROM Lists WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    return query.next() && query.value(0).toInt() != 0;
}

Status CardFieldStore::saveTableOrder(qint16 listId, bool on)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(query, QStringLiteral("UPDATE Lists SET TableOrder = ? WHERE ListID = ?"),
                        {on ? 1 : 0, listId});
}
