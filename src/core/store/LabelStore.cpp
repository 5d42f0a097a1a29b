#include "core/store/LabelStore.h"

#include "core/store/CardStore.h"
#include "core/store/Snapshots.h"

#include "core/cards/StoredValues.h"
#include "core/store/NumberText.h"

#include <QSqlQuery>

#include <algorithm>
#include <tuple>

namespace {

// Column names by grid column; the only names ever put into an SQL text here.
const char* columnName(LabelColumn column)
{
    switch (column) {
    case LabelColumn::Keywords:
        return "Keywords";
    case LabelColumn::KeyValue:
        return "KeyValue";
    case LabelColumn::KeyX:
        return "KeyX";
    case LabelColumn::KeyY:
        return "KeyY";
    case LabelColumn::KeyFont:
        return "KeyFont";
    case LabelColumn::KeyFontSize:
        return "KeyFontSize";
    case LabelColumn::KeyFontStyle:
        return "KeyFontStyle";
    case LabelColumn::KeyAnchor:
        return "KeyAnchor";
    case LabelColumn::KeyFitWidth:
        return "KeyFitWidth";
    case LabelColumn::KeyVertical:
        return "KeyVertical";
    }
    return "Keywords";
}

// A placement as its three columns hold it; a value no program writes reads as the plain default.
TextPlacement storedPlacement(const QVariant& anchor, const QVariant& fitWidth, const QVariant& vertical)
{
    TextPlacement placement;
    placement.anchor = Placement::anchorFromStored(anchor.toInt());
    placement.fitWidthMm = std::max(storedNumber(fitWidth).value_or(0), 0.0);
    placement.vertical = vertical.toInt() == 1;
    return placement;
}

// The three columns' values for a placement.
QVariantList placementValues(const TextPlacement& placement)
{
    return {static_cast<int>(placement.anchor),
            placement.hasFitWidth() ? QVariant(placement.fitWidthMm) : QVariant(),
            placement.vertical ? 1 : 0};
}

} // namespace

Result<QList<Label>> LabelStore::readLabels(qint16 listId, const QString& styleName, const QString& order)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT LabelID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
                                        "KeyFontSize, KeyFontStyle, KeyAnchor, KeyFitWidth, KeyVertical "
                                        "FROM Main WHERE ListID = ? ORDER BY %1")
                             .arg(order),
                         {listId});
        !s.isOk())
        return s;
    QList<Label> labels;
    while (query.next()) {
        Label label;
        label.id = query.value(0).toLongLong();
        label.name = query.value(1).toString();
        label.text = query.value(2).toString();
        for (const auto& [column, target, what] :
             {std::tuple{3, &label.xMm, "横向位置"}, std::tuple{4, &label.yMm, "纵向位置"}}) {
            const std::optional<double> number = storedNumber(query.value(column));
            if (!number) {
                return Status::failure(
                    QStringLiteral("请柬样式“%1”的标签“%2”的%3“%4”不是有效的数值。"
                                   "请在“编辑样式”中改正这个标签。")
                        .arg(styleName, label.name, QString::fromUtf8(what), query.value(column).toString()));
            }
            *target = *number;
        }
        label.fontName = query.value(5).toString();
        label.fontSize = storedText(query.value(6));
        label.styleWord = query.value(7).toString();
        label.placement = storedPlacement(query.value(8), query.value(9), query.value(10));
        labels.append(label);
    }
    return labels;
}

Result<QList<Label>> LabelStore::labels(qint16 listId, const QString& styleName)
{
    return readLabels(listId, styleName, QStringLiteral("KeyDate, LabelID"));
}

Result<QList<Label>> LabelStore::labelsToPrint(qint16 listId, const QString& styleName)
{
    // LabelID is the table's first column: the order of "ORDER BY 1" on all columns.
    return readLabels(listId, styleName, QStringLiteral("LabelID"));
}

Result<std::optional<LabelNameOwner>> LabelStore::labelNameOwner(const QString& name)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT Main.ListID, Lists.ListName FROM Main LEFT JOIN Lists "
                                        "ON Lists.ListID = Main.ListID WHERE Main.Keywords = ? LIMIT 1"),
                         {name});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<LabelNameOwner>();
    return std::optional<LabelNameOwner>(
        LabelNameOwner{static_cast<qint16>(query.value(0).toInt()), query.value(1).toString()});
}

Status LabelStore::addLabel(qint16 listId, const Label& label)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(query,
                        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
                                       "KeyFontSize, KeyFontStyle, KeyAnchor, KeyFitWidth, KeyVertical) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                        QVariantList{listId, label.name, label.text, label.xMm, label.yMm, label.fontName,
                                     label.fontSize, label.styleWord} +
                            placementValues(label.placement));
}

Result<bool> LabelStore::changeLabel(qint16 listId, const Label& label)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query,
            QStringLiteral("UPDATE Main SET KeyValue = ?, KeyX = ?, KeyY = ?, KeyFont = ?, KeyFontSize = ?, "
                           "KeyFontStyle = ?, KeyAnchor = ?, KeyFitWidth = ?, KeyVertical = ? "
                           "WHERE LabelID = (SELECT LabelID FROM Main WHERE ListID = ? AND "
                           "Keywords = ? ORDER BY Keywords = ? COLLATE BINARY DESC, LabelID LIMIT 1)"),
            QVariantList{label.text, label.xMm, label.yMm, label.fontName, label.fontSize, label.styleWord} +
                placementValues(label.placement) + QVariantList{listId, label.name, label.name});
        !s.isOk())
        return s;
    return query.numRowsAffected() > 0;
}

Result<bool> LabelStore::rewriteLabel(qint16 listId, const Label& label)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query,
            QStringLiteral(
                "UPDATE Main SET Keywords = ?, KeyValue = ?, KeyX = ?, KeyY = ?, KeyFont = ?, "
                "KeyFontSize = ?, KeyFontStyle = ?, KeyAnchor = ?, KeyFitWidth = ?, KeyVertical = ? "
                "WHERE LabelID = ? AND ListID = ?"),
            QVariantList{label.name, label.text, label.xMm, label.yMm, label.fontName, label.fontSize,
                         label.styleWord} +
                placementValues(label.placement) + QVariantList{label.id, listId});
        !s.isOk())
        return s;
    return query.numRowsAffected() > 0;
}

Status LabelStore::clearLabels(qint16 listId)
{
    if (Status s = Snapshots(m_store).before(QStringLiteral("清空标签"), listId); !s.isOk())
        return s;
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        return m_store.exec(query, QStringLiteral("DELETE FROM Main WHERE ListID = ?"), {listId});
    });
}

Result<int> LabelStore::moveLabels(qint16 listId, MoveDirection direction, double distanceMm)
{
    const bool horizontal = direction == MoveDirection::Left || direction == MoveDirection::Right;
    const bool towardsOrigin = direction == MoveDirection::Left || direction == MoveDirection::Up;
    const double delta = towardsOrigin ? -distanceMm : distanceMm;
    const QString sql = horizontal ? QStringLiteral("UPDATE Main SET KeyX = KeyX + ? WHERE ListID = ?")
                                   : QStringLiteral("UPDATE Main SET KeyY = KeyY + ? WHERE ListID = ?");
    const Result<bool> any = m_store.hasLabels(listId);
    if (!any.isOk())
        return Status::failure(any.error());
    if (!any.value())
        return 0;
    if (Status s = Snapshots(m_store).before(QStringLiteral("移动标签"), listId); !s.isOk())
        return s;
    int moved = 0;
    const Status done = m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        if (Status s = m_store.exec(query, sql, {delta, listId}); !s.isOk())
            return s;
        moved = query.numRowsAffected();
        return Status::ok();
    });
    if (!done.isOk())
        return done;
    return moved;
}

Result<std::optional<GuestNameSetting>> LabelStore::guestNameSetting(qint16 listId, const QString& styleName)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT keyx, keyy, keyfont, keyfontsize, keyfontstyle, "
                                        "keyanchor, keyfitwidth, keyvertical, NameFormat, PartnerFormat "
                                        "FROM GuestXY WHERE ListID = ? LIMIT 1"),
                         {listId});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<GuestNameSetting>();

    const auto unusable = [&](const char* what, const QVariant& value) {
        return Status::failure(QStringLiteral("请柬样式“%1”的宾客姓名设置有误：%2“%3”不是有效的数值。"
                                              "请在“编辑样式”中重新设置宾客姓名的位置和字体。")
                                   .arg(styleName, QString::fromUtf8(what), value.toString()));
    };
    GuestNameSetting setting;
    const std::optional<double> x = storedNumber(query.value(0));
    if (!x)
        return unusable("横向位置", query.value(0));
    const std::optional<double> y = storedNumber(query.value(1));
    if (!y)
        return unusable("纵向位置", query.value(1));
    setting.xMm = *x;
    setting.yMm = *y;
    setting.fontName = query.value(2).toString();
    // A size that was saved must be one a card can be printed in.
    const QVariant size = query.value(3);
    if (!size.isNull() && !size.toString().trimmed().isEmpty() && !storedFontSize(size))
        return unusable("字号", size);
    setting.fontSize = storedText(size);
    setting.styleWord = query.value(4).toString();
    setting.placement = storedPlacement(query.value(5), query.value(6), query.value(7));
    setting.format = query.value(8).toString();
    setting.partnerFormat = query.value(9).toString();
    return std::optional<GuestNameSetting>(setting);
}

Status LabelStore::saveGuestName(qint16 listId, const GuestNameSetting& setting)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(
        query,
        QStringLiteral(
            "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, keyanchor, "
            "keyfitwidth, keyvertical, NameFormat, PartnerFormat) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "ON CONFLICT (ListID) DO UPDATE SET "
            "keyx = excluded.keyx, keyy = excluded.keyy, keyfont = excluded.keyfont, "
            "keyfontsize = excluded.keyfontsize, keyfontstyle = excluded.keyfontstyle, "
            "keyanchor = excluded.keyanchor, keyfitwidth = excluded.keyfitwidth, "
            "keyvertical = excluded.keyvertical, NameFormat = excluded.NameFormat, "
            "PartnerFormat = excluded.PartnerFormat"),
        QVariantList{listId, setting.xMm, setting.yMm, setting.fontName, setting.fontSize,
                     setting.styleWord} +
            placementValues(setting.placement) +
            QVariantList{setting.format.isNull() ? QStringLiteral("") : setting.format,
                         setting.partnerFormat.isNull() ? QStringLiteral("") : setting.partnerFormat});
}

Status LabelStore::setLabelValue(qint64 labelId, LabelColumn column, const QVariant& value)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    const QString sql =
        QStringLiteral("UPDATE Main SET %1 = ? WHERE LabelID = ?").arg(QLatin1String(columnName(column)));
    return m_store.exec(query, sql, {value, labelId});
}

Status LabelStore::deleteLabels(const QList<qint64>& labelIds)
{
    if (labelIds.isEmpty())
        return Status::ok();
    if (Status s = m_store.check(); !s.isOk())
        return s;
    qint16 listId = 0; // the style named in the snapshot
    {
        QSqlQuery query(m_store.database());
        if (m_store
                .exec(query, QStringLiteral("SELECT ListID FROM Main WHERE LabelID = ?"), {labelIds.first()})
                .isOk() &&
            query.next())
            listId = static_cast<qint16>(query.value(0).toInt());
    }
    if (Status s = Snapshots(m_store).before(QStringLiteral("删除标签"), listId); !s.isOk())
        return s;
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        for (const qint64 id : labelIds) {
            if (Status s = m_store.exec(query, QStringLiteral("DELETE FROM Main WHERE LabelID = ?"), {id});
                !s.isOk())
                return s;
        }
        return Status::ok();
    });
}
