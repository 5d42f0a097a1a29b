#include "core/store/SchemaUpgrade.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace SchemaUpgrade {

const QList<UpgradeStep>& steps()
{
    // Version 1 is the database delivered with the first program (data/schema.sql). New steps are
    // appended here, each with the next version number, and never changed once released.
    static const QList<UpgradeStep> kSteps{};
    return kSteps;
}

int currentVersion()
{
    return steps().isEmpty() ? 1 : steps().last().version;
}

Status runStatements(QSqlDatabase& db, const QStringList& sql)
{
    QSqlQuery query(db);
    for (const QString& statement : sql) {
        if (!query.exec(statement))
            return Status::failure(query.lastError().text());
    }
    return Status::ok();
}

} // namespace SchemaUpgrade
