// Matching the columns of an imported file to the guest fields, by their headings.
#pragma once

#include "guests/import/SheetTable.h"

#include <QList>
#include <QString>

enum class GuestField
{
    None, // the column is not imported
    Name,
    Sex,
    Connection,
    Job,
    Contact,
    Remark
};

/// How the columns of a file become guest fields.
struct ColumnMatch
{
    bool firstRowIsHeadings = false;
    QList<GuestField> fields; // one per column of the file

    bool uses(GuestField field) const { return fields.contains(field); }
};

namespace GuestColumns {

/// Every field, in the order of the guest grid, followed by None.
QList<GuestField> choices();
/// The caption of a field as the guest grid shows it; "不导入" for None.
QString caption(GuestField field);

/// The field a heading stands for, None when it is not a known heading.
GuestField fieldForHeading(const QString& heading);

/// Takes the first row as headings when it holds a known one and matches each column by its heading;
/// otherwise the first column holds the names and the others are not imported.
ColumnMatch guess(const SheetTable& table);

/// "男" or "女" for the ways a sex is written in lists (男, 女, M, F ...); empty for anything else.
QString sexFrom(const QString& text);

} // namespace GuestColumns
