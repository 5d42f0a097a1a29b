// The columns of a guest as every query of the store reads and writes them, in one order, so that a
// column added to guests is added everywhere at once.
#pragma once

#include "core/cards/CardFields.h"
#include "core/cards/GuestFields.h"

#include <QString>
#include <QVariantList>

#include <bitset>

class QSqlQuery;

namespace GuestSql {

/// How many columns columns() names.
constexpr int kColumnCount = 10;

/// Some of the guest's columns, in the order of columns(); a read of many guests for their cards
/// takes only those the cards show.
using ColumnSet = std::bitset<kColumnCount>;
inline ColumnSet allColumns()
{
    return ColumnSet().set();
}
/// The columns that filling in `fields` needs: the name always, and the sex with 称谓.
ColumnSet columnsFor(const CardFieldSet& fields);

/// The guest's columns (of `set`), comma-separated, in the order fieldsAt() reads and values() binds
/// them.
QString columns(const ColumnSet& set = allColumns());
/// One "?" per column, comma-separated.
QString placeholders();
/// "Name = ?, Sex = ?, ..." for an UPDATE binding values().
QString assignments();

/// The guest whose columns (of `set`) begin at index `first` of the current row of `query`; the
/// fields of columns not read keep their defaults.
GuestFields fieldsAt(const QSqlQuery& query, int first, const ColumnSet& set = allColumns());
/// The values to bind for the columns: an empty text is never NULL, except that no sex is NULL.
QVariantList values(const GuestFields& guest);

} // namespace GuestSql
