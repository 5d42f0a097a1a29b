#include "core/store/GuestSql.h"

#include <QSqlQuery>
#include <QStringList>

#include <utility>

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

// The columns in the order of kColumns.
enum Column
{
    NameColumn,
    SexColumn,
    ConnectionColumn,
    JobColumn,
    ContactColumn,
    RemarkColumn,
    SalutationColumn,
    PartnerColumn,
    TableColumn,
    AttendingColumn
};

ColumnSet columnsFor(const CardFieldSet& fields)
{
    ColumnSet set;
    set.set(NameColumn);
    const auto uses = [&fields](CardField field) { return fields.test(static_cast<std::size_t>(field)); };
    if (uses(CardField::Salutation))
        set.set(SexColumn).set(SalutationColumn);
    const std::pair<CardField, Column> direct[] = {{CardField::Partner, PartnerColumn},
                                                   {CardField::Connection, ConnectionColumn},
                                                   {CardField::Job, JobColumn},
                                                   {CardField::Contact, ContactColumn},
                                                   {CardField::Remark, RemarkColumn},
                                                   {CardField::Table, TableColumn},
                                                   {CardField::Attending, AttendingColumn}};
    for (const auto& [field, column] : direct) {
        if (uses(field))
            set.set(column);
    }
    return set;
}

QString columns(const ColumnSet& set)
{
    QStringList names;
    for (int i = 0; i < kColumnCount; ++i) {
        if (set.test(i))
            names << QLatin1String(kColumns[i]);
    }
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

GuestFields fieldsAt(const QSqlQuery& query, int first, const ColumnSet& set)
{
    GuestFields guest;
    QString* const texts[] = {&guest.name,       &guest.sex,     &guest.connection,
                              &guest.job,        &guest.contact, &guest.remark,
                              &guest.salutation, &guest.partner, &guest.table};
    int at = first;
    for (int column = 0; column < kColumnCount; ++column) {
        if (!set.test(column))
            continue;
        const QVariant value = query.value(at++);
        if (column != AttendingColumn) {
            *texts[column] = value.toString();
            continue;
        }
        bool isNumber = false;
        const int attending = value.toInt(&isNumber);
        guest.attending = isNumber && attending >= 1 ? attending : 1;
    }
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
