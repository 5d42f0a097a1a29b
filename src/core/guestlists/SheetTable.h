// The cells of a guest list as read from a file, before they are matched to guest fields.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// One non-empty row of the file: its cell texts from the first column on.
struct SheetRow
{
    int line = 0; // row number in the worksheet, or the line in the text file where the row starts
    QStringList cells;
};

struct SheetTable
{
    QList<SheetRow> rows;
    int columnCount = 0;     // the widest row
    bool columnsCut = false; // some cells lay beyond the last column that is read
    static constexpr int kMaxColumns = 200;

    /// The cell at `column` of `row`, empty where the row is shorter.
    static QString cell(const SheetRow& row, int column)
    {
        return column < row.cells.size() ? row.cells.at(column) : QString();
    }
};
