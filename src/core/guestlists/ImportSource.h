// A file chosen for import: a workbook or a text table, told apart by its content rather than its
// name, and read into rows; a text table can be read again in another encoding.
#pragma once

#include "core/guestlists/CsvReader.h"
#include "core/guestlists/SheetTable.h"
#include "core/store/Result.h"

#include <QByteArray>
#include <QString>

class ImportSource
{
public:
    /// Opens the file at `path` and reads it in the encoding it is most likely in.
    static Result<ImportSource> open(const QString& path);

    const QString& path() const { return m_path; }
    bool isWorkbook() const { return m_workbook; }
    /// For a text file: the encoding it was last read in, and whether a byte-order mark fixes it.
    TextEncoding encoding() const { return m_encoding; }
    bool encodingFixed() const { return m_encodingFixed; }

    /// The rows as last read.
    const SheetTable& table() const { return m_table; }
    /// Reads a text file again in `encoding`; on failure the rows read before stay.
    Status reread(TextEncoding encoding);

private:
    /// This source, or a message when the file holds no row at all.
    Result<ImportSource> withRows();

    QString m_path;
    bool m_workbook = false;
    QByteArray m_bytes; // a text file's content
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_encodingFixed = false;
    SheetTable m_table;
};
