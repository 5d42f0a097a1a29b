#include "core/store/CardStore.h"

#include "core/store/SchemaUpgrade.h"

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

// The tables and columns the program reads and writes; other columns may exist.
const TableColumns kRequiredSchema[] = {
    {"Lists", {"ListID", "ListName"}},
    {"Main",
     {"ListID", "Keywords", "KeyValue", "KeyX", "KeyY", "KeyFont", "KeyFontSize", "KeyFontStyle", "KeyDate"}},
    {"GuestXY", {"ListID", "keyx", "keyy", "keyfont", "keyfontsize", "keyfontstyle"}},
    {"Guests", {"ListID", "Name", "Sex", "Connection", "Job", "Contact", "Remark", "SaveTime"}},
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
    return Status::ok();
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
    if (!query.exec(QStringLiteral("VACUUM INTO %1").arg(sqlText(path))))
        return Status::failure(describe(query.lastError()));
    return Status::ok();
}

Status CardStore::upgrade()
{
    const Result<int> version = userVersion();
    if (!version.isOk())
        return Status::failure(version.error());
    const int target = m_steps.isEmpty() ? 1 : m_steps.last().version;
    // The delivered database is version 1; files made by other tools may say 0.
    const int from = std::max(version.value(), 1);
    if (from == target)
        return Status::ok();
    if (from > target) {
        // Written by a newer program: its additions are kept intact by never writing to the file.
        m_notice = QStringLiteral(
                       "数据文件%1由较新版本的程序保存（数据版本%2，本程序只认识到版本%3）。"
                       "为了不损坏其中的数据，本程序以只读方式打开它：可以查看和打印，但不能保存任何修改。"
                       "请使用新版本的程序修改这个文件。")
                       .arg(quoted(m_filePath))
                       .arg(from)
                       .arg(target);
        if (m_readOnly)
            return Status::ok();
        m_readOnly = true;
        return openFile(m_filePath, true);
    }
    if (m_readOnly)
        return upgradeWorkingCopy(from);

    if (!m_backupBeforeUpgrade)
        return applySteps(from, target);
    const QDir folder(backupFolder());
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QString backup = folder.filePath(QStringLiteral("%1 升级前 数据版本%2.dat").arg(stamp).arg(from));
    for (int n = 2; QFileInfo::exists(backup) && n < 100; ++n)
        backup = folder.filePath(QStringLiteral("%1 升级前 数据版本%2 (%3).dat").arg(stamp).arg(from).arg(n));
    if (!QDir().mkpath(folder.path()) || QFileInfo::exists(backup)) {
        return Status::failure(QStringLiteral("数据文件%1需要升级，但无法在文件夹%2中为它保存升级前的备份。"
                                              "数据文件没有做任何修改。")
                                   .arg(quoted(m_filePath), quoted(QDir::toNativeSeparators(folder.path()))));
    }
    if (Status copied = copyTo(backup); !copied.isOk()) {
        QFile::remove(backup);
        return Status::failure(QStringLiteral("数据文件%1需要升级，但升级前的备份没有保存成功：%2"
                                              "数据文件没有做任何修改。")
                                   .arg(quoted(m_filePath), copied.error()));
    }
    if (Status applied = applySteps(from, target); !applied.isOk()) {
        m_upgradeFailure = QStringLiteral("数据文件%1无法升级到数据版本%2：%3 数据文件保持原样，"
                                          "升级前的备份保存在%4。")
                               .arg(quoted(m_filePath))
                               .arg(target)
                               .arg(applied.error(), quoted(QDir::toNativeSeparators(backup)));
        return Status::failure(m_upgradeFailure);
    }
    return Status::ok();
}

Status CardStore::applySteps(int from, int target)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return Status::failure(describe(db.lastError()));
    for (const UpgradeStep& step : m_steps) {
        if (step.version <= from)
            continue;
        if (Status s = step.apply(db); !s.isOk()) {
            db.rollback();
            return Status::failure(QStringLiteral("%1没有完成（%2）。").arg(step.what, s.error()));
        }
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(target)) || !db.commit()) {
        const QString message = describe(query.lastError().isValid() ? query.lastError() : db.lastError());
        db.rollback();
        return Status::failure(message);
    }
    return Status::ok();
}

Status CardStore::upgradeWorkingCopy(int from)
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
    if (Status s = applySteps(from, m_steps.isEmpty() ? 1 : m_steps.last().version); !s.isOk())
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
    const int code = error.nativeErrorCode().toInt() & 0xff;
    const QString file = quoted(m_filePath);
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
        return QStringLiteral("读写数据文件%1时出错：%2").arg(file, error.text());
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
    QSqlDatabase db = database();
    if (!db.transaction())
        return Status::failure(describe(db.lastError()));
    const Status done = work();
    if (!done.isOk()) {
        db.rollback();
        return done;
    }
    if (!db.commit()) {
        const QString message = describe(db.lastError());
        db.rollback();
        return Status::failure(message);
    }
    return Status::ok();
}

Status CardStore::deleteStyle(qint16 listId)
{
    return inTransaction([&]() -> Status {
        QSqlQuery query(database());
        for (const char* sql : {"DELETE FROM Lists WHERE ListID = ?", "DELETE FROM GuestXY WHERE ListID = ?",
                                "DELETE FROM Guests WHERE ListID = ?", "DELETE FROM Main WHERE ListID = ?",
                                "DELETE FROM StylePrinter WHERE ListID = ?"}) {
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

Result<GuestCursor> CardStore::firstGuest(qint16 listId)
{
    return guestAfter(listId, 0);
}

Result<GuestCursor> CardStore::nextGuest(const GuestCursor& cursor)
{
    if (cursor.atEnd) {
        return cursor;
    }
    return guestAfter(cursor.listId, cursor.guestId);
}

Result<GuestCursor> CardStore::guestAfter(qint16 listId, qint64 guestId)
{
    if (Status s = check(); !s.isOk())
        return s;
    // Guests print in the order they were entered: by their row identity.
    QSqlQuery query(database());
    if (Status s = exec(query,
                        QStringLiteral("SELECT rowid, Name FROM Guests WHERE ListID = ? AND rowid > ? "
                                       "ORDER BY rowid LIMIT 1"),
                        {listId, guestId});
        !s.isOk())
        return s;
    GuestCursor cursor;
    cursor.listId = listId;
    if (query.next()) {
        cursor.guestId = query.value(0).toLongLong();
        cursor.name = query.value(1).toString();
        cursor.atEnd = false;
    } else {
        cursor.guestId = guestId;
    }
    return cursor;
}
