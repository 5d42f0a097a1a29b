#include "core/printing/StyleLoad.h"

#include "core/store/CardFieldStore.h"
#include "core/store/LabelStore.h"

GuestNameSetting loadedGuestName(const GuestNameSetting& previous,
                                 const std::optional<GuestNameSetting>& stored)
{
    if (!stored)
        return previous;
    GuestNameSetting setting = *stored;
    if (stored->fontSize.trimmed().isEmpty())
        setting.fontSize = previous.fontSize;
    if (stored->styleWord.isNull())
        setting.styleWord = previous.styleWord;
    return setting;
}

Result<StyleLoad> loadStyleSettings(CardStore& store, qint16 listId, const QString& listName,
                                    const GuestNameSetting& previous)
{
    StyleLoad load;
    const Result<std::optional<GuestNameSetting>> setting =
        LabelStore(store).guestNameSetting(listId, listName);
    if (!setting.isOk())
        return Status::failure(setting.error());
    load.guestName = loadedGuestName(previous, setting.value());

    CardFieldStore fields(store);
    const Result<SalutationRules> rules = fields.salutationRules(listId);
    if (!rules.isOk())
        return Status::failure(rules.error());
    load.rules = rules.value();
    const Result<bool> tableOrder = fields.tableOrder(listId);
    if (!tableOrder.isOk())
        return Status::failure(tableOrder.error());
    load.order = tableOrder.value() ? PrintOrder::Table : PrintOrder::Entry;
    return load;
}

Result<StyleLoad> loadStyle(CardStore& store, qint16 listId, const QString& listName,
                            const GuestNameSetting& previous)
{
    Result<StyleLoad> settings = loadStyleSettings(store, listId, listName, previous);
    if (!settings.isOk())
        return settings;
    StyleLoad load = std::move(settings.value());

    const Result<bool> labels = store.hasLabels(listId);
    if (!labels.isOk())
        return Status::failure(labels.error());
    load.hasLabels = labels.value();

    const Result<int> count = store.guestCount(listId);
    if (!count.isOk())
        return Status::failure(count.error());
    load.guestCount = count.value();

    const Result<GuestCursor> cursor = store.firstGuest(listId, load.order);
    if (!cursor.isOk())
        return Status::failure(cursor.error());
    load.cursor = cursor.value();
    return load;
}
