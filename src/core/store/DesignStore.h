// What the card designer reads and writes beside the labels themselves: a style's background picture,
// the label names other styles use, the guests worth showing, and the saving of a whole design in
// one transaction.
#pragma once

#include "core/cards/CardBackground.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/store/Result.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class CardStore;

/// Everything a design changed since it was read or last saved.
struct DesignChanges
{
    enum class Background
    {
        Unchanged,
        Placed,   // only where it lies and how it shows
        Replaced, // a new picture (also one where there was none)
        Removed
    };

    QList<Label> changed;  // stored labels (by their id), written whole, the name included
    QList<Label> added;    // in drawing order
    QList<qint64> deleted; // label ids
    QStringList newNames;  // names given anew (added or renamed labels): no other label may have them
    QList<qint64> ownIds;  // every stored label the design was read with
    std::optional<GuestNameSetting> guestName;
    Background background = Background::Unchanged;
    CardBackground backgroundValue; // for Placed and Replaced

    bool isEmpty() const
    {
        return changed.isEmpty() && added.isEmpty() && deleted.isEmpty() && !guestName &&
               background == Background::Unchanged;
    }
};

class DesignStore
{
public:
    explicit DesignStore(CardStore& store) : m_store(store) {}

    /// The background kept with style `listId`, or nothing when it has none.
    Result<std::optional<CardBackground>> background(qint16 listId);

    /// The label names of every style but `listId`, folded as the database compares them
    /// (ASCII letters in lower case), each with the name of its style (empty when the style's row
    /// is gone).
    Result<QHash<QString, QString>> namesOfOtherStyles(qint16 listId);

    /// Up to `count` guest names of the style, the ones with most characters first.
    Result<QStringList> longestGuestNames(qint16 listId, int count);

    /// Writes `changes` to style `listId` (named `styleName` in messages), all or nothing. Returns
    /// the ids the added labels got, in their order. A name another label took meanwhile, or a label
    /// deleted meanwhile by another window, refuses the whole save with a message. A save that
    /// deletes labels or removes or replaces the stored scan takes a snapshot of the data file first
    /// and writes nothing when that fails.
    Result<QList<qint64>> save(qint16 listId, const QString& styleName, const DesignChanges& changes);

    /// How the database compares label names: ASCII letters without regard to case.
    static QString foldedName(const QString& name);

private:
    /// What a snapshot before saving `changes` is named after; empty when they discard nothing.
    QString discardingVerb(qint16 listId, const DesignChanges& changes);
    Status checkNewNames(qint16 listId, const DesignChanges& changes);
    Status writeBackground(qint16 listId, const DesignChanges& changes);

    CardStore& m_store;
};
