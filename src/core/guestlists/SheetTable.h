// The cells of a guest list as read from a file, before they are matched to guest fields. A list of a
// million rows must fit in little memory, so the cells are kept as text in large blocks with their
// ends beside them, not as a string per cell. Copies share the data.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class SheetTable
{
public:
    /// Cells beyond this column are not read.
    static constexpr int kMaxColumns = 200;
    /// A cell longer than this (in characters) is refused: no guest field is that long, and laying
    /// out such a text would stop the window.
    static constexpr int kMaxCellLength = 1024 * 1024;

    SheetTable();

    /// The non-empty rows of the file, from the first on.
    int rowCount() const { return static_cast<int>(d->rows.size()); }
    bool isEmpty() const { return d->rows.empty(); }
    /// The row number in the worksheet, or the line in the text file where row `row` starts.
    int line(int row) const { return d->rows[static_cast<size_t>(row)].line; }
    int cellCount(int row) const { return static_cast<int>(d->rows[static_cast<size_t>(row)].cells); }
    /// The cell at `column` of `row`, empty where the row is shorter.
    QString cell(int row, int column) const;
    /// The same without a copy; valid as long as this table or a copy of it lives.
    QStringView cellView(int row, int column) const;
    QStringList cells(int row) const;
    /// The number of cells of the widest row.
    int columnCount() const { return d->columnCount; }
    /// Some cells lay beyond the last column that is read.
    bool columnsCut() const { return d->columnsCut; }

    /// Adds a row of the file found at `line`, without its trailing blank cells; a row of blank cells
    /// only is left out.
    void appendRow(int line, QStringList cells);
    void setColumnsCut();

private:
    struct Row
    {
        int line = 0;
        quint32 block = 0;    // which text block holds the row's cells
        quint32 start = 0;    // where in the block its first cell starts
        quint32 firstEnd = 0; // index of its first cell's end in `ends`
        quint32 cells = 0;    // how many cells it has
    };
    struct Data
    {
        std::vector<QString> blocks;
        std::vector<Row> rows;
        std::vector<quint32> ends; // each cell's end, from the start of its row
        int columnCount = 0;
        bool columnsCut = false;
    };
    void detach();

    std::shared_ptr<Data> d;
};
