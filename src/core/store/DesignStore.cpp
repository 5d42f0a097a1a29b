#include "core/store/DesignStore.h"

#include "core/store/CardStore.h"
#include "core/store/LabelStore.h"
#include "core/store/Snapshots.h"

#include <QSqlQuery>

QString DesignStore::foldedName(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

Result<std::optional<CardBackground>> DesignStore::background(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT Picture, Shown, FileName, WidthMm, OffsetX, OffsetY, "
                                               "Opacity, InPreview FROM StyleBackground WHERE ListID = ?"),
                                {listId});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<CardBackground>();
    CardBackground background;
    background.data = query.value(0).toByteArray();
    background.shown = query.value(1).toByteArray();
    background.fileName = query.value(2).toString();
    background.placement.widthMm = query.value(3).isNull() ? 0 : query.value(3).toDouble();
    background.placement.offsetMm = QPointF(query.value(4).toDouble(), query.value(5).toDouble());
    background.placement.opacity = query.value(6).toDouble();
    background.placement.inPreview = query.value(7).toInt() != 0;
    return std::optional<CardBackground>(std::move(background));
}

Result<QHash<QString, QString>> DesignStore::namesOfOtherStyles(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT Main.Keywords, Lists.ListName FROM Main LEFT JOIN Lists "
                                        "ON Lists.ListID = Main.ListID WHERE Main.ListID <> ?"),
                         {listId});
        !s.isOk())
        return s;
    QHash<QString, QString> names;
    while (query.next())
        names.insert(foldedName(query.value(0).toString()), query.value(1).toString());
    return names;
}

Result<QStringList> DesignStore::longestGuestNames(qint16 listId, int count)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT Name FROM Guests WHERE ListID = ? "
                                               "ORDER BY length(Name) DESC, GuestID LIMIT ?"),
                                {listId, count});
        !s.isOk())
        return s;
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

Status DesignStore::checkNewNames(qint16 listId, const DesignChanges& changes)
{
    QSqlQuery query(m_store.database());
    for (const QString& name : changes.newNames) {
        if (Status s =
                m_store.exec(query,
                             QStringLiteral("SELECT Main.LabelID, Main.ListID, Lists.ListName FROM Main "
                                            "LEFT JOIN Lists ON Lists.ListID = Main.ListID "
                                            "WHERE Main.Keywords = ?"),
                             {name});
            !s.isOk())
            return s;
        while (query.next()) {
            // The design's own labels give their names up or keep them as the design says; any
            // other label has the name, in another style or added to this one by another window.
            const qint16 style = static_cast<qint16>(query.value(1).toInt());
            if (style == listId && changes.ownIds.contains(query.value(0).toLongLong()))
                continue;
            const QString styleName = query.value(2).toString();
            const QString where = styleName.isEmpty() ? QStringLiteral("编号为 %1 的请柬样式").arg(style)
                                                      : QStringLiteral("请柬样式“%1”").arg(styleName);
            return Status::failure(QStringLiteral("标签名称“%1”已被%2中的标签使用，请换一个名称后再保存。"
                                                  "这次没有保存任何修改。")
                                       .arg(name, where));
        }
    }
    return Status::ok();
}

Status DesignStore::writeBackground(qint16 listId, const DesignChanges& changes)
{
    const CardBackground& background = changes.backgroundValue;
    const BackgroundPlacement& placed = background.placement;
    const QVariant width = placed.fitsPaper() ? QVariant() : QVariant(placed.widthMm);
    QSqlQuery query(m_store.database());
    switch (changes.background) {
    case DesignChanges::Background::Unchanged:
        return Status::ok();
    case DesignChanges::Background::Removed:
        return m_store.exec(query, QStringLiteral("DELETE FROM StyleBackground WHERE ListID = ?"), {listId});
    case DesignChanges::Background::Placed:
        return m_store.exec(
            query,
            QStringLiteral("UPDATE StyleBackground SET WidthMm = ?, OffsetX = ?, OffsetY = ?, "
                           "Opacity = ?, InPreview = ? WHERE ListID = ?"),
            {width, placed.offsetMm.x(), placed.offsetMm.y(), placed.opacity, placed.inPreview ? 1 : 0,
             listId});
    case DesignChanges::Background::Replaced:
        return m_store.exec(
            query,
            QStringLiteral("INSERT OR REPLACE INTO StyleBackground (ListID, Picture, Shown, FileName, "
                           "WidthMm, OffsetX, OffsetY, Opacity, InPreview) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {listId, background.data, background.shown.isEmpty() ? QVariant() : QVariant(background.shown),
             background.fileName, width, placed.offsetMm.x(), placed.offsetMm.y(), placed.opacity,
             placed.inPreview ? 1 : 0});
    }
    return Status::ok();
}

QString DesignStore::discardingVerb(qint16 listId, const DesignChanges& changes)
{
    if (!changes.deleted.isEmpty())
        return QStringLiteral("删除标签");
    if (changes.background == DesignChanges::Background::Removed)
        return QStringLiteral("移除背景图片");
    if (changes.background == DesignChanges::Background::Replaced) {
        QSqlQuery query(m_store.database());
        if (m_store.exec(query, QStringLiteral("SELECT 1 FROM StyleBackground WHERE ListID = ?"), {listId})
                .isOk() &&
            query.next())
            return QStringLiteral("更换背景图片");
    }
    return QString();
}

Result<QList<qint64>> DesignStore::save(qint16 listId, const QString& styleName, const DesignChanges& changes)
{
    // Labels or a scan the design throws away can be got back, as after deleting labels in the
    // settings window: the snapshot comes first, and without it nothing is written.
    if (const QString verb = discardingVerb(listId, changes); !verb.isEmpty()) {
        if (Status s = Snapshots(m_store).before(verb, listId); !s.isOk())
            return s;
    }
    QList<qint64> addedIds;
    LabelStore labels(m_store);
    const Status saved = m_store.inTransaction([&]() -> Status {
        if (Status s = checkNewNames(listId, changes); !s.isOk())
            return s;
        QSqlQuery query(m_store.database());
        for (const qint64 id : changes.deleted) {
            if (Status s = m_store.exec(
                    query, QStringLiteral("DELETE FROM Main WHERE LabelID = ? AND ListID = ?"), {id, listId});
                !s.isOk())
                return s;
        }
        for (const Label& label : changes.changed) {
            const Result<bool> written = labels.rewriteLabel(listId, label);
            if (!written.isOk())
                return Status::failure(written.error());
            if (!written.value()) {
                return Status::failure(
                    QStringLiteral("请柬样式“%1”的标签“%2”已在别的窗口中被删除，设计无法保存。"
                                   "这次没有保存任何修改；请关闭设计窗口，重新打开后再修改。")
                        .arg(styleName, label.name));
            }
        }
        for (const Label& label : changes.added) {
            if (Status s = labels.addLabel(listId, label); !s.isOk())
                return s;
            // The same connection, inside the transaction: the row just inserted.
            if (Status s = m_store.exec(query, QStringLiteral("SELECT last_insert_rowid()")); !s.isOk())
                return s;
            query.next();
            addedIds.append(query.value(0).toLongLong());
        }
        if (changes.guestName) {
            if (Status s = labels.saveGuestName(listId, *changes.guestName); !s.isOk())
                return s;
        }
        return writeBackground(listId, changes);
    });
    if (!saved.isOk())
        return saved;
    return addedIds;
}
