// Matching the columns of an imported file to the guest fields, by their headings.
#pragma once

#include "core/guestlists/SheetTable.h"

#include <QList>
#include <QString>

#include <optional>

enum class GuestField
{
    None, // the column is not imported
    Name,
    Sex,
    Connection,
    Job,
    Contact,
    Remark,
    Salutation,
    Partner,
    Table,
    Attending
};

/// How the columns of a file become guest fields.
struct ColumnMatch
{
    int headingRow = -1;      // index of the row of headings among the file's rows; -1: none
    QList<GuestField> fields; // one per column of the file

    bool hasHeadings() const { return headingRow >= 0; }
    /// Index of the first row that holds guests: the one after the headings.
    int firstGuestRow() const { return headingRow + 1; }
    bool uses(GuestField field) const { return fields.contains(field); }
};

namespace GuestColumns {

/// Every field, in the order of the guest grid, followed by None.
QList<GuestField> choices();
/// The caption of a field as the guest grid shows it; "不导入" for None.
QString caption(GuestField field);

/// The field a heading stands for, None when it is not a known heading.
GuestField fieldForHeading(const QString& heading);

/// Takes the first row that holds a known heading, among the first few (a title may stand above
/// them), as the headings and matches each column by its heading; without one, the first column
/// holds the names and the others are not imported.
ColumnMatch guess(const SheetTable& table);

/// How many rows at the top of a file are searched for headings.
constexpr int kHeadingSearchRows = 5;

/// "男" or "女" for the ways a sex is written in lists (男, 女, M, F ...); empty for anything else.
QString sexFrom(const QString& text);

/// The number attending as lists write it ("2", "２", "2人", "3位", "2.0"); 1 for an empty cell;
/// nothing for anything that is not a whole number from 1 to 9999.
std::optional<int> attendingFrom(const QString& text);

} // namespace GuestColumns
