#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {
int g_counter = 0;
}

TestDatabase::TestDatabase(const QString& source)
    : m_path(m_dir.filePath(QStringLiteral("Date_D.dat"))),
      m_connection(QStringLiteral("test-db-%1").arg(++g_counter))
{
    if (!QFile::copy(source, m_path))
        qFatal("cannot copy %s", qPrintable(source));
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    if (!db.open())
        qFatal("cannot open the test database");
}

QStringList TestDatabase::backups() const
{
    return QDir(dir() + QStringLiteral("/Date_D备份")).entryList(QDir::Files, QDir::Name);
}

TestDatabase::~TestDatabase()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlQuery TestDatabase::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    query.exec();
    return query;
}

void TestDatabase::exec(const QString& sql, const QVariantList& values)
{
    scalar(sql, values);
}

QVariant TestDatabase::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery query = run(sql, values);
    if (query.lastError().isValid())
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}

int TestDatabase::wrongLastMarks()
{
    return scalar(QStringLiteral("SELECT count(*) FROM PrintRecord p WHERE p.Last != (p.RecordID = "
                                 "(SELECT max(q.RecordID) FROM PrintRecord q WHERE q.ListID = p.ListID AND "
                                 "q.GuestID = p.GuestID))"))
        .toInt();
}

bool TestDatabase::refuses(const QString& sql)
{
    return run(sql, {}).lastError().isValid();
}

int TestDatabase::rowsOf(const QString& table, int listId)
{
    return scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE ListID = ?").arg(table), {listId}).toInt();
}

void TestDatabase::addStyle(int listId, const QString& name, int labels, int guests)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    db.transaction();
    exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (?, ?)"), {listId, name});
    exec(QStringLiteral("INSERT INTO GuestXY (ListID) VALUES (?)"), {listId});
    for (int i = 0; i < labels; ++i) {
        exec(QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                            "KeyFontStyle) VALUES (?, ?, ?, ?, ?, '宋体', '12', '常规')"),
             {listId, QStringLiteral("%1-标签%2").arg(name).arg(i), QStringLiteral("文字%1").arg(i), 10 + i,
              20 + i});
    }
    for (int i = 0; i < guests; ++i) {
        exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (?, ?)"),
             {listId, QStringLiteral("宾客%1").arg(i + 1)});
    }
    db.commit();
}

QString TestDatabase::snapshot()
{
    QString dump;
    // Every table the file has, so that tables added by upgrades are covered too.
    QStringList tables;
    QSqlQuery names(QSqlDatabase::database(m_connection));
    names.exec(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                       "ORDER BY name"));
    while (names.next())
        tables << names.value(0).toString();
    for (const QString& table : tables) {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        dump += table + QLatin1Char('\n');
        while (query.next()) {
            for (int c = 0; c < query.record().count(); ++c)
                dump += query.value(c).toString() + QLatin1Char('|');
            dump += QLatin1Char('\n');
        }
    }
    return dump;
}

QString TestDatabase::exactDump()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QString dump =
        QStringLiteral("user_version %1\n").arg(scalar(QStringLiteral("PRAGMA user_version")).toInt());
    QSqlQuery tables(db);
    tables.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    while (tables.next()) {
        const QString table = tables.value(0).toString();
        dump += tables.value(1).toString() + QLatin1Char('\n');
        QStringList columns;
        QSqlQuery info(db);
        info.exec(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
        while (info.next())
            columns << QStringLiteral("quote(\"%1\")").arg(info.value(0).toString());
        QSqlQuery rows(db);
        rows.exec(
            QStringLiteral("SELECT rowid, %1 FROM \"%2\" ORDER BY rowid").arg(columns.join(','), table));
        while (rows.next()) {
            for (int c = 0; c <= columns.size(); ++c)
                dump += rows.value(c).toString() + QLatin1Char('|');
            dump += QLatin1Char('\n');
        }
    }
    return dump;
}
