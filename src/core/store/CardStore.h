// The card database Date_D.dat: opening and checking it, and every query the program runs on it.
// Values are always bound as parameters; a failure comes back as a message naming the file.
#pragma once

#include "core/cards/GuestFields.h"
#include "core/store/Result.h"
#include "core/store/SchemaUpgrade.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;

/// The order in which a style's guests are printed.
enum class PrintOrder
{
    Entry, // the order in which they were entered
    Table  // by 桌号, then the order of entry
};

/// Where a print run stands in a style's guest list: the guest under the cursor, or the end.
struct GuestCursor
{
    qint16 listId = 0;
    qint64 guestId = 0; // row identity of the current guest; 0 before the first
    GuestFields guest;
    bool atEnd = true;
    // The guests in the order they print, for a run of chosen guests or in table order; none: the
    // style's whole list in the order of entry.
    std::shared_ptr<const QVector<qint64>> order;
    qsizetype position = 0; // in `order`
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
    /// The steps check() applies to a file of an earlier version: the program's own unless a test
    /// sets others.
    void setUpgradeSteps(QList<UpgradeStep> steps) { m_steps = std::move(steps); }
    const QList<UpgradeStep>& upgradeSteps() const { return m_steps; }
    /// Whether an upgrade first copies the file into the backup folder (always, but for the build's
    /// own empty database).
    void setBackupBeforeUpgrade(bool backup) { m_backupBeforeUpgrade = backup; }
    /// Who answers the questions check() must ask before changing the file (text that another tool
    /// wrote in GBK, say): true for yes. Without one every such question is answered no.
    void setAsker(std::function<bool(const QString& question)> ask) { m_ask = std::move(ask); }
    bool isReadOnly() const { return m_readOnly; }
    /// The file was written by a newer program (and is therefore open read-only); after check().
    bool isNewerVersion() const { return m_newerVersion; }

    /// Opens the file if needed and checks that it is a card database with all tables and columns.
    /// A file of an earlier version, or one holding data another tool wrote in a form this program
    /// does not read (see ForeignData), is first copied into the backup folder, then brought up to
    /// date in one transaction (a read-only store works on an upgraded temporary copy instead); a file
    /// of a newer version is opened read-only and notice() says so.
    Status check();

    /// What the user should be told about the file once check() has run; empty when nothing.
    const QString& notice() const { return m_notice; }
    /// The folder beside the data file where copies made before changes are kept ("Date_D备份").
    QString backupFolder() const;
    /// Copies the whole database, consistent even while it is in use, to `path`, which must not
    /// exist yet. A failure names `path`.
    Status copyTo(const QString& path);
    /// The file the connection works on: the data file, or the upgraded copy a read-only store of an
    /// older file reads.
    QString workingFilePath() const;
    /// Replaces the whole content of the data file (every table, and its data version) with that of
    /// the card database `sourcePath`, in one step: on failure nothing has changed.
    Status replaceContentWith(const QString& sourcePath);

    // Card styles
    Result<QStringList> styleNames();
    Result<std::optional<qint16>> styleIdByName(const QString& name);
    /// Removes the style and all its labels, guests, guest-name and print settings, print record
    /// and background, all or nothing.
    Status deleteStyle(qint16 listId);

    // What the print run loads
    Result<bool> hasLabels(qint16 listId);
    Result<int> guestCount(qint16 listId);
    /// The first guest of the style, in the order in which guests are printed.
    Result<GuestCursor> firstGuest(qint16 listId, PrintOrder order = PrintOrder::Entry);
    /// The guest after `cursor`, or a cursor at the end.
    Result<GuestCursor> nextGuest(const GuestCursor& cursor);
    /// A cursor over just `guestIds` of the style, in that order; guests deleted meanwhile are passed.
    Result<GuestCursor> firstOf(qint16 listId, QVector<qint64> guestIds);
    /// The style's guests in the order in which they are printed.
    Result<QVector<qint64>> guestIdsInPrintOrder(qint16 listId, PrintOrder order = PrintOrder::Entry);

    /// The open connection, for the queries and grid models of the store; check() must have succeeded.
    QSqlDatabase database() const;

    /// A message in Chinese for a failed statement, naming the file and the problem.
    QString describe(const QSqlError& error) const;
    /// The same for SQLite's result `code` on `file` (the data file when empty); `text` is shown
    /// for codes without a message of their own.
    QString describe(int code, const QString& text, const QString& file = QString()) const;

    /// Prepares `sql`, binds `values` in order and runs it on `query` (forward only).
    Status exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});

    /// Runs `work` in one transaction: committed when it returns ok, rolled back otherwise.
    Status inTransaction(const std::function<Status()>& work);

private:
    Status open();
    Status openFile(const QString& path, bool readOnly);
    Status checkSchema();
    Result<int> userVersion();
    Status upgrade();
    /// What upgrade() brings a file up to: the data version, and the foreign data to mend.
    struct Upgrade
    {
        int from = 1;
        int target = 1;
        bool mendForeign = false;
        bool decodeText = false;
    };
    Status applySteps(const Upgrade& upgrade);
    Status upgradeWorkingCopy(const Upgrade& upgrade);
    Status begin();
    Status commit();
    Result<GuestCursor> guestAfter(qint16 listId, qint64 guestId);
    Result<GuestCursor> guestFrom(GuestCursor cursor, qsizetype position);

    QString m_filePath;
    QString m_connectionName;
    int m_busyTimeoutMs = 3000;
    bool m_readOnly = false;
    bool m_checked = false;
    bool m_backupBeforeUpgrade = true;
    bool m_newerVersion = false;
    bool m_hasFunctions = false; // the connection knows the functions ForeignData asks for
    QList<UpgradeStep> m_steps;
    std::function<bool(const QString&)> m_ask;
    QString m_notice;
    QString m_upgradeFailure;
    std::unique_ptr<QTemporaryDir> m_workingFolder; // the upgraded copy a read-only store works on
    QString m_workingPath;
};
