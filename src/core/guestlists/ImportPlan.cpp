#include "core/guestlists/ImportPlan.h"

namespace {

// The text of `field` in `row`: the trimmed non-empty cells of all columns matched to it, joined by a
// blank, so that two columns matched to one field (a phone and a mobile number) both arrive.
QString fieldText(const SheetRow& row, const ColumnMatch& match, GuestField field)
{
    QString text;
    for (int column = 0; column < match.fields.size(); ++column) {
        if (match.fields.at(column) != field)
            continue;
        const QString cell = SheetTable::cell(row, column).trimmed();
        if (cell.isEmpty())
            continue;
        if (field == GuestField::Sex)
            return GuestColumns::sexFrom(cell);
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += cell;
    }
    return text;
}

} // namespace

QList<GuestFields> ImportPlan::accepted(bool withDuplicates) const
{
    QList<GuestFields> result;
    result.reserve(acceptedCount(withDuplicates));
    for (const PlannedGuest& guest : guests) {
        if (withDuplicates || !guest.duplicate)
            result.append(guest.fields);
    }
    return result;
}

ImportPlan ImportPlan::build(const SheetTable& table, const ColumnMatch& match,
                             const QSet<QString>& namesInList)
{
    ImportPlan plan;
    QSet<QString> seen = namesInList;
    const qsizetype firstRow = match.firstGuestRow();
    plan.guests.reserve(table.rows.size());
    for (qsizetype i = firstRow; i < table.rows.size(); ++i) {
        const SheetRow& row = table.rows.at(i);
        PlannedGuest guest;
        guest.line = row.line;
        guest.fields.name = fieldText(row, match, GuestField::Name);
        if (guest.fields.name.isEmpty()) {
            plan.linesWithoutName.append(row.line);
            continue;
        }
        guest.fields.sex = fieldText(row, match, GuestField::Sex);
        guest.fields.connection = fieldText(row, match, GuestField::Connection);
        guest.fields.job = fieldText(row, match, GuestField::Job);
        guest.fields.contact = fieldText(row, match, GuestField::Contact);
        guest.fields.remark = fieldText(row, match, GuestField::Remark);
        if (seen.contains(guest.fields.name)) {
            guest.duplicate = true;
            ++plan.duplicates;
        } else {
            seen.insert(guest.fields.name);
        }
        plan.guests.append(std::move(guest));
    }
    return plan;
}
