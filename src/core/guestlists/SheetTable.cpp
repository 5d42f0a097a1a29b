#include "core/guestlists/SheetTable.h"

#include <algorithm>

namespace {

// The text of many rows goes into one block; a block never moves once filled, so it is reserved
// whole (2 MB) rather than grown.
constexpr qsizetype kBlockLength = 1024 * 1024;

} // namespace

SheetTable::SheetTable() : d(std::make_shared<Data>()) {}

void SheetTable::detach()
{
    if (d.use_count() > 1)
        d = std::make_shared<Data>(*d);
}

QString SheetTable::cell(int row, int column) const
{
    return cellView(row, column).toString();
}

QStringView SheetTable::cellView(int row, int column) const
{
    const Row& r = d->rows[static_cast<size_t>(row)];
    if (column < 0 || static_cast<quint32>(column) >= r.cells)
        return QStringView();
    const quint32 end = d->ends[r.firstEnd + static_cast<quint32>(column)];
    const quint32 begin = column == 0 ? 0 : d->ends[r.firstEnd + static_cast<quint32>(column) - 1];
    return QStringView(d->blocks[r.block]).sliced(r.start + begin, end - begin);
}

QStringList SheetTable::cells(int row) const
{
    QStringList all;
    for (int column = 0; column < cellCount(row); ++column)
        all << cell(row, column);
    return all;
}

void SheetTable::appendRow(int line, QStringList cells)
{
    while (!cells.isEmpty() && cells.constLast().trimmed().isEmpty())
        cells.removeLast();
    if (cells.isEmpty())
        return;
    detach();
    qsizetype length = 0;
    for (const QString& cell : cells)
        length += cell.size();
    if (d->blocks.empty() || d->blocks.back().capacity() - d->blocks.back().size() < length) {
        QString block;
        block.reserve(std::max(kBlockLength, length));
        d->blocks.push_back(std::move(block));
    }
    QString& block = d->blocks.back();
    Row row;
    row.line = line;
    row.block = static_cast<quint32>(d->blocks.size() - 1);
    row.start = static_cast<quint32>(block.size());
    row.firstEnd = static_cast<quint32>(d->ends.size());
    row.cells = static_cast<quint32>(cells.size());
    for (const QString& cell : cells) {
        block += cell;
        d->ends.push_back(static_cast<quint32>(block.size()) - row.start);
    }
    d->rows.push_back(row);
    d->columnCount = std::max(d->columnCount, static_cast<int>(cells.size()));
}

void SheetTable::setColumnsCut()
{
    detach();
    d->columnsCut = true;
}
