// The columns of a guest as every query of the store reads and writes them, in one order, so that a
// column added to guests is added everywhere at once.
#pragma once

#include "core/cards/GuestFields.h"

#include <QString>
#include <QVariantList>

class QSqlQuery;

namespace GuestSql {

/// How many columns columns() names.
constexpr int kColumnCount = 10;

/// The guest's columns, comma-separated, in the order fieldsAt() reads and values() binds them.
QString columns();
/// One "?" per column, comma-separated.
QString placeholders();
/// "Name = ?, Sex = ?, ..." for an UPDATE binding values().
QString assignments();

/// The guest whose columns begin at index `first` of the current row of `query`.
GuestFields fieldsAt(const QSqlQuery& query, int first);
/// The values to bind for the columns: an empty text is never NULL, except that no sex is NULL.
QVariantList values(const GuestFields& guest);

} // namespace GuestSql
