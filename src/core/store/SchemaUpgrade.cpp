#include "core/store/SchemaUpgrade.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace SchemaUpgrade {

const QList<UpgradeStep>& steps()
{
    // Version 1 is the database delivered with the first program (data/schema.sql). New steps are
    // appended here, each with the next version number, and never changed once released.
    static const QList<UpgradeStep> kSteps{
        {2, QStringLiteral("添加打印机与纸张设置和打印机校准的数据表"), [](QSqlDatabase& db) {
             // A style without a row prints as before: the default printer with its own paper.
             return runStatements(
                 db,
                 {QStringLiteral("CREATE TABLE StylePrinter ("
                                 " ListID INTEGER PRIMARY KEY NOT NULL CHECK (typeof(ListID) = 'integer'),"
                                 " Printer TEXT NOT NULL DEFAULT '',"
                                 " Paper TEXT NOT NULL DEFAULT '',"
                                 " PaperWidth REAL CHECK (PaperWidth IS NULL OR"
                                 "  (typeof(PaperWidth) IN ('integer', 'real') AND PaperWidth > 0)),"
                                 " PaperHeight REAL CHECK (PaperHeight IS NULL OR"
                                 "  (typeof(PaperHeight) IN ('integer', 'real') AND PaperHeight > 0)),"
                                 " Landscape INTEGER NOT NULL DEFAULT 0 CHECK (Landscape IN (0, 1)),"
                                 " PaperSource TEXT NOT NULL DEFAULT '')"),
                  // Per printer (queue names ignore letter case) and paper: the ink of one
                  // printer says nothing about another.
                  QStringLiteral(
                      "CREATE TABLE PrinterCalibration ("
                      " Printer TEXT NOT NULL COLLATE NOCASE,"
                      " Paper TEXT NOT NULL,"
                      " OffsetX REAL NOT NULL CHECK (typeof(OffsetX) IN ('integer', 'real')),"
                      " OffsetY REAL NOT NULL CHECK (typeof(OffsetY) IN ('integer', 'real')),"
                      " ScaleX REAL NOT NULL DEFAULT 1 CHECK (typeof(ScaleX) IN ('integer', 'real') AND "
                      "ScaleX > 0),"
                      " ScaleY REAL NOT NULL DEFAULT 1 CHECK (typeof(ScaleY) IN ('integer', 'real') AND "
                      "ScaleY > 0),"
                      " SavedAt TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),"
                      " PRIMARY KEY (Printer, Paper))")});
         }}};
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
