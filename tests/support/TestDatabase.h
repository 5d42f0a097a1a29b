// A fresh copy of the delivered empty Date_D.dat (or another file) in a temporary folder, with helpers to
// fill it and read it back through a connection of the test's own.
#pragma once

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

class TestDatabase
{
public:
    /// A copy of `source`: the delivered empty database unless a test starts from another file.
    explicit TestDatabase(const QString& source = QStringLiteral(FENNICK_EMPTY_DB));
    ~TestDatabase();

    const QString& path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    /// The file names in the backup folder beside the file, by name (oldest snapshot first).
    QStringList backups() const;

    /// Runs one statement with positional values; fails the test on error.
    void exec(const QString& sql, const QVariantList& values = {});
    /// The first column of the first row of a query, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    /// Whether the database refuses the statement (a refusal is what the test expects).
    bool refuses(const QString& sql);
    /// The number of rows of `table` whose ListID is `listId`.
    int rowsOf(const QString& table, int listId);

    /// A style with its guest-name row, `labels` labels and `guests` guests.
    void addStyle(int listId, const QString& name, int labels = 0, int guests = 0);

    /// The print record's cards whose "last card of its guest" mark is wrong: each guest's newest
    /// card, and only that one, carries it. 0 when the record is sound.
    int wrongLastMarks();

    /// A dump of every table, to show that an operation changed nothing.
    QString snapshot();
    /// Every table of the file (whatever its name), row by row with the row identity and each
    /// value's exact type and bytes, and the data version: equal only for byte-for-byte equal data.
    QString exactDump();

private:
    QSqlQuery run(const QString& sql, const QVariantList& values);

    QTemporaryDir m_dir;
    QString m_path;
    QString m_connection;
};
