// A file chosen for import: a workbook or a text table, told apart by its content rather than its
// name, and read into rows; a text table can be read again in another encoding. Reading may run on
// a worker thread with a ReadProgress the window shows and cancels.
#pragma once

#include "core/guestlists/CsvReader.h"
#include "core/guestlists/SheetTable.h"
#include "core/store/Result.h"

#include <QString>

class ReadProgress;

class ImportSource
{
public:
    /// Opens the file at `path` and reads it in the encoding it is most likely in.
    static Result<ImportSource> open(const QString& path, ReadProgress* progress = nullptr);

    const QString& path() const { return m_path; }
    bool isWorkbook() const { return m_workbook; }
    /// For a text file: the encoding it was read in, and whether a byte-order mark fixes it.
    TextEncoding encoding() const { return m_encoding; }
    bool encodingFixed() const { return m_scan.byteOrderMark; }
    /// For a text file: the first line whose bytes the encoding cannot read (they show as "�"); 0
    /// when every line reads cleanly.
    int undecodableLine() const { return m_undecodableLine; }

    /// The rows as read.
    const SheetTable& table() const { return m_table; }
    /// The same text file read again in `encoding`; this source stays as it is.
    Result<ImportSource> reread(TextEncoding encoding, ReadProgress* progress = nullptr) const;

private:
    /// This source, or a message when the file holds no row at all.
    Result<ImportSource> withRows();
    Status readText(TextEncoding encoding, ReadProgress* progress);

    QString m_path;
    bool m_workbook = false;
    TextFileScan m_scan;
    TextEncoding m_encoding = TextEncoding::Utf8;
    int m_undecodableLine = 0;
    SheetTable m_table;
};
