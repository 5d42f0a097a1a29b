// The steps that bring a card database made by an earlier version of the program up to the one this
// program works on. Each step only adds (tables, columns, rows with defaults), so a style that uses
// no new feature prints exactly as before. PRAGMA user_version says which steps a file has.
#pragma once

#include "core/store/Result.h"

#include <QList>
#include <QString>

#include <functional>

class QSqlDatabase;

struct UpgradeStep
{
    int version = 0; // the user_version a file has once this step is applied
    QString what;    // for messages: what the step adds
    std::function<Status(QSqlDatabase& db)> apply;
};

namespace SchemaUpgrade {

/// The steps of this program, in order; the last one's version is the program's data version.
const QList<UpgradeStep>& steps();

/// The data version this program works on.
int currentVersion();

/// Runs `sql` statement by statement on `db`; the first failure is returned as a message.
Status runStatements(QSqlDatabase& db, const QStringList& sql);

} // namespace SchemaUpgrade
