// Snapshots of the data file: before anything is deleted, cleared, imported or moved, and before every
// upgrade, the whole file is copied into the backup folder beside it ("Date_D备份"), named by the time
// and the action ("2026-12-06 14-03 删除样式 婚宴.dat"). The last 30 are kept, and no more than 500 MB.
// Restoring one puts its content back in one step, after a snapshot of the content it replaces.
#pragma once

#include "core/store/Result.h"

#include <QDateTime>
#include <QList>
#include <QString>

class CardStore;

/// One snapshot in the backup folder.
struct SnapshotInfo
{
    QString path;
    QDateTime time; // from its name
    QString action; // what was about to happen: "删除样式 婚宴", "升级前 数据版本1" ...
    qint64 bytes = 0;
    int styles = -1; // -1: the snapshot could not be read
    int guests = -1;
};

class Snapshots
{
public:
    /// How many snapshots are kept, and how many bytes they may take together; the newest is kept
    /// whatever its size.
    static constexpr int kKeep = 30;
    static constexpr qint64 kMaxBytes = 500LL * 1024 * 1024;

    explicit Snapshots(CardStore& store) : m_store(store) {}

    /// Takes the snapshot before `verb` (删除样式, 清空宾客 ...) changes style `listId` (0: no style);
    /// the action is the verb and the style's name. On failure the message says that the change was
    /// not made, and why: the caller must not make it.
    Status before(const QString& verb, qint16 listId = 0);

    /// Copies the data file, consistent even while in use, into the backup folder as "<time>
    /// <action>.dat" (the time to the minute, or to the second when `withSeconds`), then removes the
    /// oldest snapshots beyond the limits, never `keep`. Returns the new file's path. Nothing is
    /// taken for a store opened read-only, which cannot change (the path is empty then).
    Result<QString> take(const QString& action, bool withSeconds = false, const QString& keep = QString());

    /// The snapshots in the backup folder, newest first, with the number of styles and guests each
    /// holds. Files of other names in the folder are left out.
    QList<SnapshotInfo> list() const;

    /// Puts the content of the snapshot at `path` back into the data file, in one step, after taking
    /// a snapshot of the current content; a snapshot of an older data version is brought up to date
    /// on the way. Returns the path of the snapshot of the replaced content.
    Result<QString> restore(const QString& path);

private:
    void prune(const QString& keep);

    CardStore& m_store;
};
