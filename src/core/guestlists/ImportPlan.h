// What an import will add: the rows of a file turned into guests with the chosen column match, the
// rows that are skipped because they hold no name, and the names that are already in the list. The
// plan keeps the rows it was made from (shared, not copied) and turns a row into a guest only when
// asked, so a list of a million guests is never held twice.
#pragma once

#include "core/guestlists/GuestColumns.h"
#include "core/guestlists/SheetTable.h"
#include "core/store/GuestStore.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

struct PlannedGuest
{
    int line = 0; // where the row is in the file
    GuestFields fields;
    bool duplicate = false; // the name is already in the list, or earlier in the file
};

/// A cell that cannot be imported as it is written.
struct BadCell
{
    int line = 0;
    QString text;
};

class ImportPlan
{
public:
    QList<int> linesWithoutName; // rows with some text but no name: never imported
    int duplicates = 0;
    QList<BadCell> badAttending; // 人数 that is no whole number from 1 up: nothing can be imported

    /// Rows with a name, in file order.
    int guestCount() const { return static_cast<int>(m_rows.size()); }
    /// The `index`th row with a name as a guest.
    PlannedGuest guest(int index) const;
    /// The guest row `row` of the table becomes; nothing for a row that is skipped or holds headings.
    std::optional<PlannedGuest> guestOfRow(int row) const;
    int acceptedCount(bool withDuplicates) const { return guestCount() - (withDuplicates ? 0 : duplicates); }
    /// Which guests (indexes for guest()) are written, in file order; duplicates only when
    /// `withDuplicates`.
    QList<int> acceptedIndexes(bool withDuplicates) const;
    /// Those guests themselves.
    QList<GuestFields> accepted(bool withDuplicates) const;

    /// Turns the rows of `table` into guests; `namesInList` are the names the style already has.
    static ImportPlan build(const SheetTable& table, const ColumnMatch& match,
                            const QSet<QString>& namesInList);

private:
    SheetTable m_table;
    ColumnMatch m_match;
    std::vector<int> m_rows;        // the table's rows that hold a name
    std::vector<bool> m_duplicates; // per row with a name
};
