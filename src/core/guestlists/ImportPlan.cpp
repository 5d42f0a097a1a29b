#include "core/guestlists/ImportPlan.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

namespace {

// The text of `field` in row `row`: the trimmed non-empty cells of all columns matched to it, joined
// by a blank, so that two columns matched to one field (a phone and a mobile number) both arrive.
QString fieldText(const SheetTable& table, int row, const ColumnMatch& match, GuestField field)
{
    QString text;
    for (int column = 0; column < match.fields.size() && column < table.cellCount(row); ++column) {
        if (match.fields.at(column) != field)
            continue;
        const QStringView cell = table.cellView(row, column).trimmed();
        if (cell.isEmpty())
            continue;
        if (field == GuestField::Sex)
            return GuestColumns::sexFrom(cell.toString());
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += cell;
    }
    return text;
}

struct ViewHash
{
    size_t operator()(QStringView text) const { return qHash(text); }
};

// The name of row `row` without a copy where it is one cell, as nearly always; a name joined from
// several columns is kept in `joined`, which never moves its strings.
QStringView nameOf(const SheetTable& table, int row, const ColumnMatch& match, std::deque<QString>& joined)
{
    QStringView only;
    int found = 0;
    for (int column = 0; column < match.fields.size() && column < table.cellCount(row); ++column) {
        if (match.fields.at(column) != GuestField::Name)
            continue;
        const QStringView cell = table.cellView(row, column).trimmed();
        if (!cell.isEmpty() && ++found == 1)
            only = cell;
    }
    if (found <= 1)
        return only;
    joined.push_back(fieldText(table, row, match, GuestField::Name));
    return joined.back();
}

} // namespace

PlannedGuest ImportPlan::guest(int index) const
{
    const int row = m_rows[static_cast<size_t>(index)];
    PlannedGuest guest;
    guest.line = m_table.line(row);
    guest.duplicate = m_duplicates[static_cast<size_t>(index)];
    GuestFields& g = guest.fields;
    g.name = fieldText(m_table, row, m_match, GuestField::Name);
    g.sex = fieldText(m_table, row, m_match, GuestField::Sex);
    g.connection = fieldText(m_table, row, m_match, GuestField::Connection);
    g.job = fieldText(m_table, row, m_match, GuestField::Job);
    g.contact = fieldText(m_table, row, m_match, GuestField::Contact);
    g.remark = fieldText(m_table, row, m_match, GuestField::Remark);
    g.salutation = fieldText(m_table, row, m_match, GuestField::Salutation);
    g.partner = fieldText(m_table, row, m_match, GuestField::Partner);
    g.table = fieldText(m_table, row, m_match, GuestField::Table);
    // build() has refused the plan when a count is no whole number, so the fallback is never written.
    g.attending =
        GuestColumns::attendingFrom(fieldText(m_table, row, m_match, GuestField::Attending)).value_or(1);
    return guest;
}

std::optional<PlannedGuest> ImportPlan::guestOfRow(int row) const
{
    const auto found = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    if (found == m_rows.end() || *found != row)
        return std::nullopt;
    return guest(static_cast<int>(found - m_rows.begin()));
}

QList<int> ImportPlan::acceptedIndexes(bool withDuplicates) const
{
    QList<int> indexes;
    indexes.reserve(acceptedCount(withDuplicates));
    for (int i = 0; i < guestCount(); ++i) {
        if (withDuplicates || !m_duplicates[static_cast<size_t>(i)])
            indexes.append(i);
    }
    return indexes;
}

QList<GuestFields> ImportPlan::accepted(bool withDuplicates) const
{
    QList<GuestFields> result;
    for (const int index : acceptedIndexes(withDuplicates))
        result.append(guest(index).fields);
    return result;
}

ImportPlan ImportPlan::build(const SheetTable& table, const ColumnMatch& match,
                             const QSet<QString>& namesInList)
{
    ImportPlan plan;
    plan.m_table = table;
    plan.m_match = match;
    // The names seen so far are views into the table (and the list's names), not copies of them.
    std::deque<QString> joined;
    std::unordered_set<QStringView, ViewHash> seen;
    seen.reserve(static_cast<size_t>(namesInList.size() + table.rowCount()));
    for (const QString& name : namesInList)
        seen.insert(name);
    const bool checkAttending = match.fields.contains(GuestField::Attending);
    for (int row = std::max(match.firstGuestRow(), 0); row < table.rowCount(); ++row) {
        const QStringView name = nameOf(table, row, match, joined);
        if (name.isEmpty()) {
            plan.linesWithoutName.append(table.line(row));
            continue;
        }
        const bool duplicate = !seen.insert(name).second;
        plan.duplicates += duplicate ? 1 : 0;
        plan.m_rows.push_back(row);
        plan.m_duplicates.push_back(duplicate);
        if (checkAttending) {
            const QString attending = fieldText(table, row, match, GuestField::Attending);
            if (!GuestColumns::attendingFrom(attending))
                plan.badAttending.append(BadCell{table.line(row), attending});
        }
    }
    return plan;
}
