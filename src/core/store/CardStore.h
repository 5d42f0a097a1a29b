// The card database Date_D.dat: opening and checking it, and every query the program runs on it.
// Values are always bound as parameters; a failure comes back as a message naming the file.
#pragma once

#include "core/store/Result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

class QSqlError;
class QSqlQuery;

/// Where a print run stands in a style's guest list: the guest under the cursor, or the end.
struct GuestCursor
{
    qint16 listId = 0;
    qint64 guestId = 0; // row identity of the current guest; 0 before the first
    QString name;
    bool atEnd = true;
};

class CardStore
{
public:
    explicit CardStore(QString filePath);
    ~CardStore();
    CardStore(const CardStore&) = delete;
    CardStore& operator=(const CardStore&) = delete;

    const QString& filePath() const { return m_filePath; }

    /// How long a write waits for another program's lock before it gives up.
    void setBusyTimeoutMs(int milliseconds) { m_busyTimeoutMs = milliseconds; }
    /// Opens the file read-only (for checks and tests); every write then fails with a message.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    /// Opens the file if needed and checks that it is a card database with all tables and columns.
    Status check();

    // Card styles
    Result<QStringList> styleNames();
    Result<std::optional<qint16>> styleIdByName(const QString& name);
    /// Removes the style and all its labels, guests and guest-name setting, all or nothing.
    Status deleteStyle(qint16 listId);

    // What the print run loads
    Result<bool> hasLabels(qint16 listId);
    Result<int> guestCount(qint16 listId);
    /// The first guest of the style, in the order in which guests are printed.
    Result<GuestCursor> firstGuest(qint16 listId);
    /// The guest after `cursor`, or a cursor at the end.
    Result<GuestCursor> nextGuest(const GuestCursor& cursor);

    /// The open connection, for the queries and grid models of the store; check() must have succeeded.
    QSqlDatabase database() const;

    /// A message in Chinese for a failed statement, naming the file and the problem.
    QString describe(const QSqlError& error) const;

    /// Prepares `sql`, binds `values` in order and runs it on `query` (forward only).
    Status exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});

    /// Runs `work` in one transaction: committed when it returns ok, rolled back otherwise.
    Status inTransaction(const std::function<Status()>& work);

private:
    Status open();
    Status checkSchema();
    Result<GuestCursor> guestAfter(qint16 listId, qint64 guestId);

    QString m_filePath;
    QString m_connectionName;
    int m_busyTimeoutMs = 3000;
    bool m_readOnly = false;
    bool m_checked = false;
};
