#include "core/store/Snapshots.h"

#include "core/store/CardStore.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

namespace {

QAtomicInt g_readerCounter;

constexpr int kMaxActionLength = 60;

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

// "2026-12-06 14-03 删除样式 婚宴.dat", "… 15-59-54 升级前 数据版本1 (2).dat": time, action, number.
const QRegularExpression& namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}(?:-\\d{2})?) (.+?)(?: \\((\\d+)\\))?\\.dat$"));
    return pattern;
}

// An action as part of a file name: no separators or characters other systems refuse, not too long.
QString fileNamePart(const QString& action)
{
    QString part;
    for (const QChar c : action) {
        const bool refused =
            c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c);
        part += refused ? QLatin1Char('_') : c;
    }
    return part.simplified().left(kMaxActionLength).trimmed();
}

struct Entry
{
    SnapshotInfo info;
    int number = 1;
    QDateTime modified;
};

QList<Entry> entries(const QString& folder)
{
    QList<Entry> found;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.dat")}, QDir::Files);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch m = namePattern().match(file.fileName());
        if (!m.hasMatch())
            continue;
        const QString stamp = m.captured(1);
        Entry entry;
        entry.info.path = file.absoluteFilePath();
        entry.info.time =
            QDateTime::fromString(stamp, stamp.size() > 16 ? QStringLiteral("yyyy-MM-dd HH-mm-ss")
                                                           : QStringLiteral("yyyy-MM-dd HH-mm"));
        if (!entry.info.time.isValid())
            continue;
        entry.info.action = m.captured(2);
        entry.info.bytes = file.size();
        entry.number = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
        entry.modified = file.lastModified();
        found.append(entry);
    }
    // Newest first: by the minute in the name (upgrade copies also name the second), then, within
    // one minute, by when the file was written and by the number added to a name taken twice.
    const auto minute = [](const QDateTime& time) { return time.toSecsSinceEpoch() / 60; };
    std::sort(found.begin(), found.end(), [&](const Entry& a, const Entry& b) {
        if (minute(a.info.time) != minute(b.info.time))
            return minute(a.info.time) > minute(b.info.time);
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return a.number > b.number;
    });
    return found;
}

// The number of styles and guests in a snapshot, read without changing it; -1 when it cannot be read.
void countRows(SnapshotInfo& info)
{
    const QString connection =
        QStringLiteral("fennick-snapshot-%1").arg(g_readerCounter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(info.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(
                    QStringLiteral("SELECT (SELECT count(*) FROM Lists), (SELECT count(*) FROM Guests)")) &&
                query.next()) {
                info.styles = query.value(0).toInt();
                info.guests = query.value(1).toInt();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

Status Snapshots::before(const QString& verb, qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QString action = verb;
    if (listId > 0) {
        QSqlQuery query(m_store.database());
        if (m_store.exec(query, QStringLiteral("SELECT ListName FROM Lists WHERE ListID = ?"), {listId})
                .isOk() &&
            query.next())
            action += QLatin1Char(' ') + query.value(0).toString();
    }
    const Result<QString> taken = take(action);
    if (taken.isOk())
        return Status::ok();
    return Status::failure(
        QStringLiteral("“%1”没有进行：进行之前要先在文件夹%2中保存数据文件的快照，"
                       "以便需要时恢复，但快照没有保存成功。%3\n\n数据没有做任何修改。")
            .arg(action, quoted(QDir::toNativeSeparators(m_store.backupFolder())), taken.error()));
}

Result<QString> Snapshots::take(const QString& action, bool withSeconds, const QString& keep)
{
    if (m_store.isReadOnly())
        return QString();
    const QDir folder(m_store.backupFolder());
    if (!QDir().mkpath(folder.path()))
        return Status::failure(
            QStringLiteral("无法创建文件夹%1。").arg(quoted(QDir::toNativeSeparators(folder.path()))));
    const QString stamp = QDateTime::currentDateTime().toString(
        withSeconds ? QStringLiteral("yyyy-MM-dd HH-mm-ss") : QStringLiteral("yyyy-MM-dd HH-mm"));
    const QString base = stamp + QLatin1Char(' ') + fileNamePart(action);
    QString path = folder.filePath(base + QStringLiteral(".dat"));
    for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
        path = folder.filePath(QStringLiteral("%1 (%2).dat").arg(base).arg(n));
    if (QFileInfo::exists(path))
        return Status::failure(
            QStringLiteral("文件%1已经存在。").arg(quoted(QDir::toNativeSeparators(path))));
    if (Status copied = m_store.copyTo(path); !copied.isOk()) {
        QFile::remove(path); // never a half-written snapshot in the list
        return copied;
    }
    prune(keep.isEmpty() ? path : keep);
    return path;
}

void Snapshots::prune(const QString& keep)
{
    const QList<Entry> found = entries(m_store.backupFolder());
    qint64 bytes = 0;
    for (int i = 0; i < found.size(); ++i) {
        const SnapshotInfo& info = found.at(i).info;
        bytes += info.bytes;
        const bool withinLimits = i < kKeep && bytes <= kMaxBytes;
        if (i == 0 || withinLimits || QFileInfo(info.path) == QFileInfo(keep))
            continue;
        QFile::remove(info.path);
    }
}

QList<SnapshotInfo> Snapshots::list() const
{
    QList<SnapshotInfo> infos;
    for (Entry& entry : entries(m_store.backupFolder())) {
        countRows(entry.info);
        infos.append(entry.info);
    }
    return infos;
}

Result<QString> Snapshots::restore(const QString& path)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    if (m_store.isReadOnly())
        return Status::failure(m_store.describe(8 /* read-only */, QString()));
    const QString name = quoted(QFileInfo(path).completeBaseName());

    // The snapshot is read as any data file is: checked, and an older one upgraded on a copy.
    CardStore snapshot(path);
    snapshot.setReadOnly(true);
    snapshot.setUpgradeSteps(m_store.upgradeSteps());
    if (Status s = snapshot.check(); !s.isOk())
        return Status::failure(QStringLiteral("快照%1无法恢复：%2").arg(name, s.error()));
    if (snapshot.isNewerVersion()) {
        return Status::failure(
            QStringLiteral("快照%1由较新版本的程序保存，本程序无法恢复它。请使用新版本的程序恢复。")
                .arg(name));
    }

    const Result<QString> saved = take(QStringLiteral("恢复快照前"), false, path);
    if (!saved.isOk()) {
        return Status::failure(QStringLiteral("没有恢复快照%1：恢复之前要先把现在的数据保存为快照，"
                                              "但快照没有保存成功。%2\n\n数据没有做任何修改。")
                                   .arg(name, saved.error()));
    }
    if (Status s = m_store.replaceContentWith(snapshot.workingFilePath()); !s.isOk())
        return Status::failure(
            QStringLiteral("没有恢复快照%1：%2 数据没有做任何修改。").arg(name, s.error()));
    return saved.value();
}
