#include "core/store/SchemaUpgrade.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Each label and each guest-name setting says where its text sits at its position: the anchor
// (0 left, 1 middle, 2 right), a fit width in millimetres (none when Null) and whether it is set in
// columns. The defaults are how every text was placed before, so stored cards print as they did.
Status addTextPlacement(QSqlDatabase& db)
{
    const auto columns = [](const QString& table, const QString& anchor, const QString& fit,
                            const QString& vertical) {
        return QStringList{
            QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER NOT NULL DEFAULT 0 "
                           "CHECK (typeof(%2) = 'integer' AND %2 IN (0, 1, 2))")
                .arg(table, anchor),
            QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 REAL DEFAULT NULL "
                           "CHECK (%2 IS NULL OR (typeof(%2) IN ('integer', 'real') AND %2 > 0))")
                .arg(table, fit),
            QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER NOT NULL DEFAULT 0 "
                           "CHECK (typeof(%2) = 'integer' AND %2 IN (0, 1))")
                .arg(table, vertical),
        };
    };
    return SchemaUpgrade::runStatements(
        db, columns(QStringLiteral("Main"), QStringLiteral("KeyAnchor"), QStringLiteral("KeyFitWidth"),
                    QStringLiteral("KeyVertical")) +
                columns(QStringLiteral("GuestXY"), QStringLiteral("keyanchor"), QStringLiteral("keyfitwidth"),
                        QStringLiteral("keyvertical")));
}

} // namespace

namespace SchemaUpgrade {

const QList<UpgradeStep>& steps()
{
    // Version 1 is the database delivered with the first program (data/schema.sql). New steps are
    // appended here, each with the next version number, and never changed once released.
    static const QList<UpgradeStep> kSteps{
        {2, QStringLiteral("添加打印机与纸张设置和打印机校准的数据表"),
         [](QSqlDatabase& db) {
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
         }},
        {3, QStringLiteral("为标签和宾客姓名添加对齐、限宽和竖排设置"), addTextPlacement},
        {4, QStringLiteral("添加打印记录的数据表"),
         [](QSqlDatabase& db) {
             // One row per card handed to a printer. A file without rows prints exactly as before.
             return runStatements(
                 db,
                 {QStringLiteral(
                      "CREATE TABLE PrintRecord ("
                      " RecordID INTEGER PRIMARY KEY AUTOINCREMENT,"
                      " ListID INTEGER NOT NULL CHECK (typeof(ListID) = 'integer'),"
                      " GuestID INTEGER NOT NULL CHECK (typeof(GuestID) = 'integer'),"
                      " Name TEXT NOT NULL DEFAULT '',"
                      " Printer TEXT NOT NULL DEFAULT '',"
                      " JobID INTEGER NOT NULL DEFAULT 0 CHECK (typeof(JobID) = 'integer' AND JobID >= 0),"
                      " JobTitle TEXT NOT NULL DEFAULT '',"
                      " State TEXT NOT NULL CHECK (State IN ('发送中', '已排队', '已打印', '失败', '作废')),"
                      " JobUnknown INTEGER NOT NULL DEFAULT 0 CHECK (JobUnknown IN (0, 1)),"
                      " SentAt TEXT NOT NULL,"
                      " Note TEXT NOT NULL DEFAULT '',"
                      " Last INTEGER NOT NULL DEFAULT 1 CHECK (Last IN (0, 1)))"),
                  QStringLiteral("CREATE INDEX PrintRecord_Guest ON PrintRecord (ListID, GuestID)"),
                  // The guests by their last card's state, in the order of entry, from the index alone.
                  QStringLiteral(
                      "CREATE INDEX PrintRecord_Last ON PrintRecord (ListID, State, GuestID, JobUnknown) "
                      "WHERE Last = 1"),
                  // The cards the spooler may still change, found without reading the rest.
                  QStringLiteral("CREATE INDEX PrintRecord_Open ON PrintRecord (State) "
                                 "WHERE State IN ('发送中', '已排队')"),
                  QStringLiteral("CREATE INDEX PrintRecord_Job ON PrintRecord (JobID) WHERE JobID > 0"),
                  // A new card is its guest's last one, and when the last one goes the one before
                  // it is last again, whoever writes or deletes.
                  QStringLiteral("CREATE TRIGGER PrintRecord_NewLast AFTER INSERT ON PrintRecord BEGIN "
                                 "UPDATE PrintRecord SET Last = 0 WHERE ListID = NEW.ListID AND "
                                 "GuestID = NEW.GuestID AND RecordID != NEW.RecordID AND Last = 1; END"),
                  QStringLiteral(
                      "CREATE TRIGGER PrintRecord_GoneLast AFTER DELETE ON PrintRecord "
                      "WHEN OLD.Last = 1 BEGIN "
                      "UPDATE PrintRecord SET Last = 1 WHERE RecordID = (SELECT max(RecordID) FROM "
                      "PrintRecord WHERE ListID = OLD.ListID AND GuestID = OLD.GuestID); END")});
         }},
        {5, QStringLiteral("添加请柬背景图片的数据表"),
         [](QSqlDatabase& db) {
             // A style without a row has no background; nothing of a row is ever printed. Shown is
             // the copy screens open, NULL where the picture itself opens as quickly.
             return runStatements(
                 db,
                 {QStringLiteral(
                     "CREATE TABLE StyleBackground ("
                     " ListID INTEGER PRIMARY KEY NOT NULL CHECK (typeof(ListID) = 'integer'),"
                     " Picture BLOB NOT NULL CHECK (length(Picture) < 20000000),"
                     " Shown BLOB,"
                     " FileName TEXT NOT NULL DEFAULT '',"
                     " WidthMm REAL CHECK (WidthMm IS NULL OR"
                     "  (typeof(WidthMm) IN ('integer', 'real') AND WidthMm > 0)),"
                     " OffsetX REAL NOT NULL DEFAULT 0 CHECK (typeof(OffsetX) IN ('integer', 'real')),"
                     " OffsetY REAL NOT NULL DEFAULT 0 CHECK (typeof(OffsetY) IN ('integer', 'real')),"
                     " Opacity REAL NOT NULL DEFAULT 0.5 CHECK (typeof(Opacity) IN ('integer', 'real') AND"
                     "  Opacity BETWEEN 0 AND 1),"
                     " InPreview INTEGER NOT NULL DEFAULT 0 CHECK (InPreview IN (0, 1)))")});
         }},
        // Guest fields on cards: a guest's 称谓, 同行, 桌号 and 人数; the name line's formats; the
        // 称谓 rules of each style (none stored means the defaults) and its table order. Every
        // default leaves a card as it was: the name alone, in the order of entry. Braces in the
        // labels already written are doubled, the one change to stored text: a label written as
        // "{姓名}" or "{{" before braces meant anything keeps printing what it printed.
        UpgradeStep{
            6, QStringLiteral("添加宾客字段（称谓、同行、桌号、人数）"),
            [](QSqlDatabase& db) {
                return runStatements(
                    db,
                    {QStringLiteral("ALTER TABLE Guests ADD COLUMN Salutation TEXT NOT NULL DEFAULT ''"),
                     QStringLiteral("ALTER TABLE Guests ADD COLUMN Partner TEXT NOT NULL DEFAULT ''"),
                     QStringLiteral("ALTER TABLE Guests ADD COLUMN TableNo TEXT NOT NULL DEFAULT ''"),
                     QStringLiteral("ALTER TABLE Guests ADD COLUMN Attending INTEGER NOT NULL DEFAULT 1 "
                                    "CHECK (typeof(Attending) = 'integer' AND Attending >= 1)"),
                     QStringLiteral("ALTER TABLE GuestXY ADD COLUMN NameFormat TEXT NOT NULL "
                                    "DEFAULT '{姓名}'"),
                     QStringLiteral("ALTER TABLE GuestXY ADD COLUMN PartnerFormat TEXT NOT NULL DEFAULT ''"),
                     QStringLiteral("ALTER TABLE Lists ADD COLUMN TableOrder INTEGER NOT NULL DEFAULT 0 "
                                    "CHECK (TableOrder IN (0, 1))"),
                     QStringLiteral("CREATE TABLE Salutations ("
                                    "ListID INTEGER NOT NULL CHECK (typeof(ListID) = 'integer'), "
                                    "Sex TEXT NOT NULL CHECK (Sex IN ('男', '女', '')), "
                                    "Salutation TEXT NOT NULL DEFAULT '', "
                                    "PRIMARY KEY (ListID, Sex))"),
                     QStringLiteral("UPDATE Main SET KeyValue = "
                                    "replace(replace(KeyValue, '{', '{{'), '}', '}}') "
                                    "WHERE instr(KeyValue, '{') > 0 OR instr(KeyValue, '}') > 0")});
            }},
    };
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
