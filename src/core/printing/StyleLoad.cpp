#include "core/printing/StyleLoad.h"

#include "core/cards/StoredValues.h"

namespace {

bool isUnset(const QVariant& value)
{
    return value.isNull() || value.toString().trimmed().isEmpty();
}

Status badValue(const QString& listName, const QString& what, const QVariant& value)
{
    return Status::failure(QStringLiteral("请柬样式“%1”的宾客姓名设置有误：%2“%3”不是有效的数值。"
                                          "请在“编辑样式”中重新设置宾客姓名的位置和字体。")
                               .arg(listName, what, value.toString()));
}

Result<GuestNameSetting> applyRow(const GuestNameRow& row, const QString& listName, GuestNameSetting setting)
{
    const std::optional<double> x = storedNumber(row.keyx);
    if (!x)
        return badValue(listName, QStringLiteral("横向位置"), row.keyx);
    const std::optional<double> y = storedNumber(row.keyy);
    if (!y)
        return badValue(listName, QStringLiteral("纵向位置"), row.keyy);
    setting.xMm = *x;
    setting.yMm = *y;
    setting.fontName = row.keyfont.toString();
    if (!isUnset(row.keyfontsize)) {
        const std::optional<qint16> size = storedFontSize(row.keyfontsize);
        if (!size)
            return badValue(listName, QStringLiteral("字号"), row.keyfontsize);
        setting.fontSize = *size;
    }
    if (!row.keyfontstyle.isNull())
        setting.styleWord = row.keyfontstyle.toString();
    return setting;
}

} // namespace

Result<StyleLoad> loadStyle(CardStore& store, qint16 listId, const QString& listName,
                            const GuestNameSetting& previous)
{
    StyleLoad load;
    load.guestName = previous;

    const Result<std::optional<GuestNameRow>> row = store.guestNameRow(listId);
    if (!row.isOk())
        return Status::failure(row.error());
    if (row.value()) {
        Result<GuestNameSetting> applied = applyRow(*row.value(), listName, previous);
        if (!applied.isOk())
            return Status::failure(applied.error());
        load.guestName = applied.value();
    }

    const Result<bool> labels = store.hasLabels(listId);
    if (!labels.isOk())
        return Status::failure(labels.error());
    load.hasLabels = labels.value();

    const Result<int> count = store.guestCount(listId);
    if (!count.isOk())
        return Status::failure(count.error());
    load.guestCount = count.value();

    const Result<GuestCursor> cursor = store.firstGuest(listId);
    if (!cursor.isOk())
        return Status::failure(cursor.error());
    load.cursor = cursor.value();
    return load;
}
