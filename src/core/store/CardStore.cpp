#include "core/store/CardStore.h"

#include "core/store/ForeignData.h"
#include "core/store/GuestOrder.h"
#include "core/store/GuestSql.h"
#include "core/store/SchemaUpgrade.h"
#include "core/store/Snapshots.h"
#include "core/store/SqliteAccess.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace {

QAtomicInt g_connectionCounter;

// SQLite's primary result codes that get a message of their own.
enum SqliteCode
{
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADatabase = 26,
};

struct TableColumns
{
    const char* table;
    QStringList columns;
};

// The tables and columns the program reads and writes; other columns may exist. A file made by
// another tool without the row identities of labels and guests is named as such, not met later with
// SQLite's English text.
const TableColumns kRequiredSchema[] = {
    {"Lists", {"ListID", "ListName"}},
    {"Main",
     {"LabelID", "ListID", "Keywords", "KeyValue", "KeyX", "KeyY", "KeyFont", "KeyFontSize", "KeyFontStyle",
      "KeyDate"}},
    {"GuestXY", {"ListID", "keyx", "keyy", "keyfont", "keyfontsize", "keyfontstyle"}},
    {"Guests", {"GuestID", "ListID", "Name", "Sex", "Connection", "Job", "Contact", "Remark", "SaveTime"}},
};

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

// A text as an SQL string literal, for the few statements that take no bound values.
QString sqlText(const QString& text)
{
    QString escaped = text;
    return QLatin1Char('\'') + escaped.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

} // namespace

CardStore::CardStore(QString filePath)
    : m_filePath(std::move(filePath)),
      m_connectionName(QStringLiteral("fennick-store-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1))),
      m_steps(SchemaUpgrade::steps())
{
}

CardStore::~CardStore()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QSqlDatabase CardStore::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

Status CardStore::open()
{
    QSqlDatabase db = database();
    if (db.isValid() && db.isOpen())
        return Status::ok();

    // SQLite would quietly create a new, empty file; the program never does.
    if (!QFileInfo(m_filePath).isFile())
        return Status::failure(QStringLiteral("数据文件%1丢失。").arg(quoted(m_filePath)));
    return openFile(m_filePath, m_readOnly);
}

Status CardStore::openFile(const QString& path, bool readOnly)
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs);
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open())
        return Status::failure(describe(db.lastError()));
    m_workingPath = path;
    m_hasFunctions = SqliteAccess::addFunctions(db);
    return Status::ok();
}

QString CardStore::workingFilePath() const
{
    return m_workingPath.isEmpty() ? m_filePath : m_workingPath;
}

Status CardStore::check()
{
    if (m_checked && database().isOpen())
        return Status::ok();
    if (!m_upgradeFailure.isEmpty())
        return Status::failure(m_upgradeFailure); // tried once: no second backup, no second attempt
    if (Status opened = open(); !opened.isOk())
        return opened;
    // The tables every version has come first: a file that is no card database is never changed.
    Status checked = checkSchema();
    if (checked.isOk())
        checked = upgrade();
    if (!checked.isOk()) {
        database().close(); // a later attempt looks at the file afresh
        return checked;
    }
    m_checked = true;
    return Status::ok();
}

Result<int> CardStore::userVersion()
{
    QSqlQuery query(database());
    if (Status s = exec(query, QStringLiteral("PRAGMA user_version")); !s.isOk())
        return s;
    return query.next() ? query.value(0).toInt() : 0;
}

QString CardStore::backupFolder() const
{
    const QFileInfo file(m_filePath);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral("备份"));
}

Status CardStore::copyTo(const QString& path)
{
    // A consistent copy even while another program reads the file, written in one go.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("VACUUM INTO %1").arg(sqlText(path)))) {
        const QSqlError error = query.lastError();
        return Status::failure(describe(error.nativeErrorCode().toInt(), error.text(), path));
    }
    return Status::ok();
}

Status CardStore::replaceContentWith(const QString& sourcePath)
{
    if (Status s = check(); !s.isOk())
        return s;
    QSqlDatabase db = database();
    const SqliteAccess::Failure failed = SqliteAccess::replaceContent(db, sourcePath, m_busyTimeoutMs);
    if (failed.code != 0)
        return Status::failure(describe(failed.code, failed.text));
    return Status::ok();
}

Status CardStore::upgrade()
{
    const Result<int> version = userVersion();
    if (!version.isOk())
        return Status::failure(version.error());
    Upgrade plan;
    plan.target = m_steps.isEmpty() ? 1 : m_steps.last().version;
    // The delivered database is version 1; files made by other tools may say 0.
    plan.from = std::max(version.value(), 1);
    if (plan.from > plan.target) {
        // Written by a newer program: its additions are kept intact by never writing to the file.
        m_newerVersion = true;
        m_notice = QStringLiteral(
                       "数据文件%1由较新版本的程序保存（数据版本%2，本程序只认识到版本%3）。"
                       "为了不损坏其中的数据，本程序以只读方式打开它：可以查看和打印，但不能保存任何修改。"
                       "请使用新版本的程序修改这个文件。")
                       .arg(quoted(m_filePath))
                       .arg(plan.from)
                       .arg(plan.target);
        if (m_readOnly)
            return Status::ok();
        m_readOnly = true;
        return openFile(m_filePath, true);
    }

    // Another tool may have written into the file at any time, so every opening looks (one pass
    // over each table), not only the upgrade of an older file.
    const Result<ForeignDataFindings> found =
        m_hasFunctions ? ForeignData(*this).inspect() : Result<ForeignDataFindings>(ForeignDataFindings{});
    if (!found.isOk())
        return Status::failure(found.error());
    plan.mendForeign = found.value().any();
    if (plan.from == plan.target && !plan.mendForeign)
        return Status::ok();
    if (found.value().foreignText > 0) {
        plan.decodeText = m_ask && m_ask(ForeignData::question(found.value(), m_filePath, backupFolder()));
        if (!plan.decodeText) {
            m_upgradeFailure = QStringLiteral("数据文件%1中有 %2 处文字不是 UTF-8 编码（可能是其他程序按 GBK "
                                              "编码写入的），没有转换，本程序无法正确显示它们。"
                                              "数据文件没有做任何修改。要使用这个文件，请在启动本程序时"
                                              "对转换的提问选择“是”。")
                                   .arg(quoted(m_filePath))
                                   .arg(found.value().foreignText);
            return Status::failure(m_upgradeFailure);
        }
    }
    if (m_readOnly)
        return upgradeWorkingCopy(plan);

    QString backup;
    if (m_backupBeforeUpgrade) {
        const QString action = plan.from < plan.target ? QStringLiteral("升级前 数据版本%1").arg(plan.from)
                                                       : QStringLiteral("转换数据前");
        const Result<QString> copied = Snapshots(*this).take(action, true);
        if (!copied.isOk()) {
            return Status::failure(
                QStringLiteral("数据文件%1需要%2，但%2前的备份没有保存成功：%3 数据文件没有做任何修改。")
                    .arg(quoted(m_filePath),
                         plan.from < plan.target ? QStringLiteral("升级") : QStringLiteral("转换"),
                         copied.error()));
        }
        backup = copied.value();
    }
    if (Status applied = applySteps(plan); !applied.isOk()) {
        const QString kept = backup.isEmpty() ? QString()
                                              : QStringLiteral("，%1前的备份保存在%2")
                                                    .arg(plan.from < plan.target ? QStringLiteral("升级")
                                                                                 : QStringLiteral("转换"),
                                                         quoted(QDir::toNativeSeparators(backup)));
        if (plan.from < plan.target) {
            m_upgradeFailure = QStringLiteral("数据文件%1无法升级到数据版本%2：%3 数据文件保持原样%4。")
                                   .arg(quoted(m_filePath))
                                   .arg(plan.target)
                                   .arg(applied.error(), kept);
        } else {
            m_upgradeFailure = QStringLiteral("数据文件%1中有其他程序写入的、本程序无法使用的数据：%2 "
                                              "数据文件保持原样%3。")
                                   .arg(quoted(m_filePath), applied.error(), kept);
        }
        return Status::failure(m_upgradeFailure);
    }
    if (plan.mendForeign)
        m_notice = ForeignData::mendedNotice(found.value(), plan.decodeText, m_filePath, backup);
    return Status::ok();
}

Status CardStore::begin()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("BEGIN")))
        return Status::failure(describe(query.lastError()));
    return Status::ok();
}

Status CardStore::commit()
{
    // Through a statement of its own, so a failure keeps SQLite's code (a full disk, a lock) and
    // gets the program's own message.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("COMMIT"))) {
        const QString message = describe(query.lastError());
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
        return Status::failure(message);
    }
    return Status::ok();
}

Status CardStore::applySteps(const Upgrade& plan)
{
    QSqlDatabase db = database();
    if (Status s = begin(); !s.isOk())
        return s;
    const auto failed = [&](const QString& message) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Status::failure(message);
    };
    if (plan.mendForeign) {
        if (Status s = ForeignData(*this).mend(plan.decodeText); !s.isOk())
            return failed(s.error());
    }
    for (const UpgradeStep& step : m_steps) {
        if (step.version <= plan.from)
            continue;
        if (Status s = step.apply(db); !s.isOk())
            return failed(QStringLiteral("%1没有完成（%2）。").arg(step.what, s.error()));
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(plan.target)))
        return failed(describe(query.lastError()));
    return commit();
}

Status CardStore::upgradeWorkingCopy(const Upgrade& plan)
{
    // Opened read-only (the exporter): the file itself is never written, so the program works on an
    // upgraded copy of it instead.
    m_workingFolder = std::make_unique<QTemporaryDir>();
    const QString copy = m_workingFolder->filePath(QStringLiteral("Date_D.dat"));
    if (!m_workingFolder->isValid())
        return Status::failure(
            QStringLiteral("无法创建临时文件夹来读取数据文件%1。").arg(quoted(m_filePath)));
    if (Status s = copyTo(copy); !s.isOk())
        return s;
    if (Status s = openFile(copy, false); !s.isOk())
        return s;
    if (Status s = applySteps(plan); !s.isOk())
        return s;
    return openFile(copy, true);
}

Status CardStore::checkSchema()
{
    QSqlQuery query(database());
    for (const TableColumns& required : kRequiredSchema) {
        const QString table = QString::fromLatin1(required.table);
        if (Status s = exec(query, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
            !s.isOk())
            return s;
        QStringList present;
        while (query.next())
            present << query.value(0).toString().toLower();
        if (present.isEmpty()) {
            return Status::failure(QStringLiteral("数据文件%1不是本程序的数据库：缺少数据表%2。")
                                       .arg(quoted(m_filePath), quoted(table)));
        }
        for (const QString& column : required.columns) {
            if (!present.contains(column.toLower())) {
                return Status::failure(QStringLiteral("数据文件%1不是本程序的数据库：数据表%2缺少字段%3。")
                                           .arg(quoted(m_filePath), quoted(table), quoted(column)));
            }
        }
    }
    return Status::ok();
}

QString CardStore::describe(const QSqlError& error) const
{
    return describe(error.nativeErrorCode().toInt(), error.text());
}

QString CardStore::describe(int resultCode, const QString& text, const QString& filePath) const
{
    const int code = resultCode & 0xff;
    const QString file = quoted(filePath.isEmpty() ? m_filePath : QDir::toNativeSeparators(filePath));
    switch (code) {
    case kBusy:
    case kLocked:
        return QStringLiteral("数据文件%1正被其他程序使用，暂时无法读写。请关闭其他程序后再试。").arg(file);
    case kReadOnly:
        return QStringLiteral("数据文件%1是只读的，无法保存修改。").arg(file);
    case kCorrupt:
    case kNotADatabase:
        return QStringLiteral("数据文件%1不是有效的数据库，或已经损坏。").arg(file);
    case kFull:
        return QStringLiteral("磁盘已满，无法写入数据文件%1。").arg(file);
    case kCantOpen:
        return QStringLiteral("无法打开数据文件%1。").arg(file);
    default:
        return QStringLiteral("读写数据文件%1时出错：%2").arg(file, text);
    }
}

Status CardStore::exec(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return Status::failure(describe(query.lastError()));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return Status::failure(describe(query.lastError()));
    return Status::ok();
}

Result<QStringList> CardStore::styleNames()
{
    if (Status s = check(); !s.isOk())
        return s;
    QSqlQuery query(database());
    if (Status s = exec(query, QStringLiteral("SELECT ListName FROM Lists ORDER BY ListID")); !s.isOk())
        return s;
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

Result<std::optional<qint16>> CardStore::styleIdByName(const QString& name)
{
    if (Status s = check(); !s.isOk())
        return s;
    QSqlQuery query(database());
    if (Status s = exec(query, QStringLiteral("SELECT ListID FROM Lists WHERE ListName = ?"), {name});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<qint16>();
    bool ok = false;
    const qlonglong id = query.value(0).toLongLong(&ok);
    if (!ok || id < 1 || id > std::numeric_limits<qint16>::max()) {
        return Status::failure(QStringLiteral("数据文件%1中请柬样式%2的编号“%3”无效。")
                                   .arg(quoted(m_filePath), quoted(name), query.value(0).toString()));
    }
    return std::optional<qint16>(static_cast<qint16>(id));
}

Status CardStore::inTransaction(const std::function<Status()>& work)
{
    if (Status s = check(); !s.isOk())
        return s;
    if (Status s = begin(); !s.isOk())
        return s;
    const Status done = work();
    if (!done.isOk()) {
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
        return done;
    }
    return commit();
}

Status CardStore::deleteStyle(qint16 listId)
{
    if (Status s = Snapshots(*this).before(QStringLiteral("删除样式"), listId); !s.isOk())
        return s;
    return inTransaction([&]() -> Status {
        QSqlQuery query(database());
        for (const char* sql :
             {"DELETE FROM Lists WHERE ListID = ?", "DELETE FROM GuestXY WHERE ListID = ?",
              "DELETE FROM Guests WHERE ListID = ?", "DELETE FROM Main WHERE ListID = ?",
              "DELETE FROM StylePrinter WHERE ListID = ?", "DELETE FROM PrintRecord WHERE ListID = ?",
              "DELETE FROM StyleBackground WHERE ListID = ?", "DELETE FROM Salutations WHERE ListID = ?"}) {
            if (Status s = exec(query, QString::fromLatin1(sql), {listId}); !s.isOk())
                return s;
        }
        return Status::ok();
    });
}

Result<bool> CardStore::hasLabels(qint16 listId)
{
    if (Status s = check(); !s.isOk())
        return s;
    QSqlQuery query(database());
    if (Status s = exec(query, QStringLiteral("SELECT 1 FROM Main WHERE ListID = ? LIMIT 1"), {listId});
        !s.isOk())
        return s;
    return query.next();
}

Result<int> CardStore::guestCount(qint16 listId)
{
    if (Status s = check(); !s.isOk())
        return s;
    QSqlQuery query(database());
    if (Status s = exec(query, QStringLiteral("SELECT count(*) FROM Guests WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    query.next();
    return query.value(0).toInt();
}

Result<GuestCursor> CardStore::firstGuest(qint16 listId, PrintOrder order)
{
    if (order == PrintOrder::Entry)
        return guestAfter(listId, 0);
    Result<QVector<qint64>> ids = GuestOrder::tableOrder(*this, listId);
    if (!ids.isOk())
        return Status::failure(ids.error());
    GuestCursor cursor;
    cursor.listId = listId;
    cursor.order = std::make_shared<const QVector<qint64>>(std::move(ids.value()));
    return guestFrom(std::move(cursor), 0);
}

Result<GuestCursor> CardStore::nextGuest(const GuestCursor& cursor)
{
    if (cursor.atEnd) {
        return cursor;
    }
    if (cursor.order)
        return guestFrom(cursor, cursor.position + 1);
    return guestAfter(cursor.listId, cursor.guestId);
}

Result<GuestCursor> CardStore::firstOf(qint16 listId, QVector<qint64> guestIds)
{
    GuestCursor cursor;
    cursor.listId = listId;
    cursor.order = std::make_shared<const QVector<qint64>>(std::move(guestIds));
    return guestFrom(std::move(cursor), 0);
}

Result<GuestCursor> CardStore::guestFrom(GuestCursor cursor, qsizetype position)
{
    if (Status s = check(); !s.isOk())
        return s;
    // The order was read at the load; a guest deleted since is passed over.
    QSqlQuery query(database());
    const QString sql =
        QStringLiteral("SELECT %1 FROM Guests WHERE GuestID = ? AND ListID = ?").arg(GuestSql::columns());
    for (; position < cursor.order->size(); ++position) {
        const qint64 id = cursor.order->at(position);
        if (Status s = exec(query, sql, {id, cursor.listId}); !s.isOk())
            return s;
        if (query.next()) {
            cursor.guestId = id;
            cursor.guest = GuestSql::fieldsAt(query, 0);
            cursor.position = position;
            cursor.atEnd = false;
            return cursor;
        }
    }
    cursor.position = position;
    cursor.guest = GuestFields();
    cursor.atEnd = true;
    return cursor;
}

Result<QVector<qint64>> CardStore::guestIdsInPrintOrder(qint16 listId, PrintOrder order)
{
    if (Status s = check(); !s.isOk())
        return s;
    if (order == PrintOrder::Table)
        return GuestOrder::tableOrder(*this, listId);
    // The order of guestAfter(): by row identity.
    QSqlQuery query(database());
    if (Status s =
            exec(query, QStringLiteral("SELECT rowid FROM Guests WHERE ListID = ? ORDER BY rowid"), {listId});
        !s.isOk())
        return s;
    QVector<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    return ids;
}

Result<GuestCursor> CardStore::guestAfter(qint16 listId, qint64 guestId)
{
    if (Status s = check(); !s.isOk())
        return s;
    // Guests print in the order they were entered: by their row identity.
    QSqlQuery query(database());
    if (Status s = exec(query,
                        QStringLiteral("SELECT rowid, %1 FROM Guests WHERE ListID = ? AND rowid > ? "
                                       "ORDER BY rowid LIMIT 1")
                            .arg(GuestSql::columns()),
                        {listId, guestId});
        !s.isOk())
        return s;
    GuestCursor cursor;
    cursor.listId = listId;
    if (query.next()) {
        cursor.guestId = query.value(0).toLongLong();
        cursor.guest = GuestSql::fieldsAt(query, 1);
        cursor.atEnd = false;
    } else {
        cursor.guestId = guestId;
    }
    return cursor;
}
