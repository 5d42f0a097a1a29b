// The guest fields a card text may name in braces ({姓名}, {桌号} ...), the values a guest gives them,
// and the check that refuses a text naming a field that does not exist.
#pragma once

#include "core/cards/GuestFields.h"
#include "core/cards/SalutationRules.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <bitset>
#include <optional>

enum class CardField
{
    Name,
    Salutation,
    Partner,
    Connection,
    Job,
    Contact,
    Remark,
    Table,
    Attending
};

constexpr int kCardFieldCount = 9;

/// A guest's value for every field, indexed by CardField.
using FieldValues = std::array<QString, kCardFieldCount>;

/// Some of the fields, indexed by CardField.
using CardFieldSet = std::bitset<kCardFieldCount>;

namespace CardFields {

/// The field's name as it is written between braces ("姓名").
QString name(CardField field);
/// The field called `name`, if there is one.
std::optional<CardField> byName(QStringView name);
/// Every field as it is written, separated by blanks: "{姓名} {称谓} ... {人数}".
QString writtenList();

/// The values `guest` gives the fields. 称谓 is the guest's own, or else the rule for their sex.
FieldValues valuesOf(const GuestFields& guest, const SalutationRules& rules);

/// The message refusing `text` (typed into `where`, e.g. "标签内容") when it names a field that does
/// not exist; empty when every name in braces is a field.
QString refusal(const QString& text, const QString& where);

} // namespace CardFields
