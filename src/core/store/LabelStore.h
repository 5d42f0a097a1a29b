// The labels of a card style and its guest-name setting: the queries of the label windows.
#pragma once

#include "core/store/Result.h"

#include <QList>
#include <QString>
#include <QVariant>

class CardStore;

/// The values of one label as the label window writes them.
struct LabelValues
{
    QString keywords; // the label's name
    QString keyValue; // the text printed
    double keyXMm = 0;
    double keyYMm = 0;
    QString keyFont;
    QString keyFontSize;
    QString keyFontStyle;
};

/// One stored label as the grid shows it, with the row's own identity.
struct LabelRow
{
    qint64 labelId = 0;
    QVariant keywords;
    QVariant keyValue;
    QVariant keyX;
    QVariant keyY;
    QVariant keyFont;
    QVariant keyFontSize;
    QVariant keyFontStyle;
};

/// The guest-name setting of a style as the settings window saves it.
struct GuestNameValues
{
    double xMm = 0;
    double yMm = 0;
    QString font;
    QString fontSize;
    QString fontStyle;
};

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
    KeyFontStyle
};

class LabelStore
{
public:
    explicit LabelStore(CardStore& store) : m_store(store) {}

    /// The labels of the style, oldest first (insertion order even within one millisecond).
    Result<QList<LabelRow>> labels(qint16 listId);

    /// Whether any style has a label of this name; letter case is ignored as the table does.
    Result<bool> nameInUse(const QString& name);

    /// Appends a label to the style; the database stamps its insertion time.
    Status addLabel(qint16 listId, const LabelValues& values);

    /// Overwrites everything but the name of the style's label called `values.keywords`. False when
    /// there is no such label any more. Where names differ only in letter case, the exact one wins.
    Result<bool> changeLabel(qint16 listId, const LabelValues& values);

    /// Deletes every label of the style and nothing else, all or nothing.
    Status clearLabels(qint16 listId);

    /// Shifts every label of the style by `distanceMm` in one direction, all or nothing. Returns how
    /// many labels moved; 0 when the style has none (nothing is written then).
    Result<int> moveLabels(qint16 listId, MoveDirection direction, double distanceMm);

    /// Writes the guest-name setting, creating the style's row if it has none.
    Status saveGuestName(qint16 listId, const GuestNameValues& values);

    /// Writes one grid cell of a label. Positions must be numbers; the caller has checked the text.
    Status setLabelValue(qint64 labelId, LabelColumn column, const QVariant& value);

    /// Deletes the labels with these identities, all or nothing.
    Status deleteLabels(const QList<qint64>& labelIds);

private:
    CardStore& m_store;
};
