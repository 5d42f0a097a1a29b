#include "core/store/GuestSql.h"

#include <QSqlQuery>
#include <QStringList>

namespace {

const char* const kColumns[GuestSql::kColumnCount] = {
    "Name", "Sex", "Connection", "Job", "Contact", "Remark", "Salutation", "Partner", "TableNo", "Attending"};

// The text columns take the empty text, never NULL; a null QString would bind as NULL.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

} // namespace

namespace GuestSql {

QString columns()
{
    QStringList names;
    for (const char* name : kColumns)
        names << QLatin1String(name);
    return names.join(QStringLiteral(", "));
}

QString placeholders()
{
    QStringList marks;
    for (int i = 0; i < kColumnCount; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

QString assignments()
{
    QStringList set;
    for (const char* name : kColumns)
        set << QLatin1String(name) + QStringLiteral(" = ?");
    return set.join(QStringLiteral(", "));
}

GuestFields fieldsAt(const QSqlQuery& query, int first)
{
    GuestFields guest;
    guest.name = query.value(first).toString();
    guest.sex = query.value(first + 1).toString();
    guest.connection = query.value(first + 2).toString();
    guest.job = query.value(first + 3).toString();
    guest.contact = query.value(first + 4).toString();
    guest.remark = query.value(first + 5).toString();
    guest.salutation = query.value(first + 6).toString();
    guest.partner = query.value(first + 7).toString();
    guest.table = query.value(first + 8).toString();
    bool isNumber = false;
    const int attending = query.value(first + 9).toInt(&isNumber);
    guest.attending = isNumber && attending >= 1 ? attending : 1;
    return guest;
}

QVariantList values(const GuestFields& guest)
{
    return {text(guest.name),       guest.sex.isEmpty() ? QVariant() : QVariant(guest.sex),
            text(guest.connection), text(guest.job),
            text(guest.contact),    text(guest.remark),
            text(guest.salutation), text(guest.partner),
            text(guest.table),      guest.attending};
}

} // namespace GuestSql
