// What an import will add: the rows of a file turned into guests with the chosen column match, the
// rows that are skipped because they hold no name, and the names that are already in the list.
#pragma once

#include "core/guestlists/GuestColumns.h"
#include "core/guestlists/SheetTable.h"
#include "core/store/GuestStore.h"

#include <QList>
#include <QSet>
#include <QString>

struct PlannedGuest
{
    int line = 0; // where the row is in the file
    GuestFields fields;
    bool duplicate = false; // the name is already in the list, or earlier in the file
};

struct ImportPlan
{
    QList<PlannedGuest> guests;  // every row with a name, in file order
    QList<int> linesWithoutName; // rows with some text but no name: never imported
    int duplicates = 0;

    /// The guests to write, in file order; duplicates only when `withDuplicates`.
    QList<GuestFields> accepted(bool withDuplicates) const;
    int acceptedCount(bool withDuplicates) const
    {
        return static_cast<int>(guests.size()) - (withDuplicates ? 0 : duplicates);
    }

    /// Turns the rows of `table` into guests; `namesInList` are the names the style already has.
    static ImportPlan build(const SheetTable& table, const ColumnMatch& match,
                            const QSet<QString>& namesInList);
};
