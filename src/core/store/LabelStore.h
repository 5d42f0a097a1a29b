// The labels of a card style and its guest-name setting: every query on them, for the label windows,
// the print run, the preview and the export.
#pragma once

#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class CardStore;

enum class MoveDirection
{
    Left,
    Right,
    Up,
    Down
};

/// The columns of a label that the grid shows, in the grid's order.
enum class LabelColumn
{
    Keywords,
    KeyValue,
    KeyX,
    KeyY,
    KeyFont,
    KeyFontSize,
    KeyFontStyle,
    KeyAnchor,   // 0, 1 or 2 (TextAnchor)
    KeyFitWidth, // millimetres, or Null for none
    KeyVertical  // 0 or 1
};

/// The style a label name is taken by.
struct LabelNameOwner
{
    qint16 listId = 0;
    QString styleName; // empty when the style's row is gone and only its labels are left
};

class LabelStore
{
public:
    explicit LabelStore(CardStore& store) : m_store(store) {}

    /// The labels of style `listId` (named `styleName` in messages), oldest first: the grid's order,
    /// insertion order even within one millisecond. A position that is not a number is reported.
    Result<QList<Label>> labels(qint16 listId, const QString& styleName);

    /// The same labels in the order cards draw them: by the row's identity, the table's first
    /// column, so that where labels overlap the later one is drawn over the earlier.
    Result<QList<Label>> labelsToPrint(qint16 listId, const QString& styleName);

    /// The style that already has a label of this name, or nothing when none has; letter case is
    /// ignored as the table does.
    Result<std::optional<LabelNameOwner>> labelNameOwner(const QString& name);

    /// Appends a label to the style; the database stamps its insertion time.
    Status addLabel(qint16 listId, const Label& label);

    /// Overwrites everything but the name of the style's label called `label.name`. False when
    /// there is no such label any more. Where names differ only in letter case, the exact one wins.
    Result<bool> changeLabel(qint16 listId, const Label& label);

    /// Overwrites the label with the identity `label.id` of the style, its name included. False when
    /// the style has no such label any more.
    Result<bool> rewriteLabel(qint16 listId, const Label& label);

    /// Deletes every label of the style and nothing else, all or nothing.
    Status clearLabels(qint16 listId);

    /// Shifts every label of the style by `distanceMm` in one direction, all or nothing. Returns how
    /// many labels moved; 0 when the style has none (nothing is written then).
    Result<int> moveLabels(qint16 listId, MoveDirection direction, double distanceMm);

    /// The guest-name setting of style `listId` (named `styleName` in messages), or nothing when
    /// the style has no setting row. Font texts never saved are null; a position or size that is
    /// not a usable number is reported.
    Result<std::optional<GuestNameSetting>> guestNameSetting(qint16 listId, const QString& styleName);

    /// Writes the guest-name setting, creating the style's row if it has none.
    Status saveGuestName(qint16 listId, const GuestNameSetting& setting);

    /// Writes one grid cell of a label. Positions must be numbers; the caller has checked the text.
    Status setLabelValue(qint64 labelId, LabelColumn column, const QVariant& value);

    /// Deletes the labels with these identities, all or nothing.
    Status deleteLabels(const QList<qint64>& labelIds);

private:
    Result<QList<Label>> readLabels(qint16 listId, const QString& styleName, const QString& order);

    CardStore& m_store;
};
