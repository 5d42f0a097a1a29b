// Reads a guest list saved as text: comma- or tab-separated values with quoted fields (which may hold
// commas, quotes and line breaks), in UTF-8 (with or without byte-order mark), GBK/GB18030 as Excel
// and WPS save it in China, or UTF-16 with a byte-order mark. A file whose lines are in two different
// encodings is refused rather than half garbled.
#pragma once

#include "core/guestlists/SheetTable.h"
#include "core/store/Result.h"

#include <QByteArray>
#include <QString>

enum class TextEncoding
{
    Utf8,
    Gb18030,
    Utf16
};

class CsvReader
{
public:
    /// The largest text file read.
    static constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

    /// The bytes of the file at `path`, or a message when it cannot be read or is too large.
    static Result<QByteArray> load(const QString& path);

    /// The encoding the bytes are most likely in; a byte-order mark decides on its own.
    static TextEncoding detectEncoding(const QByteArray& bytes);
    /// True when the bytes start with a byte-order mark, which fixes their encoding.
    static bool hasByteOrderMark(const QByteArray& bytes);
    /// The name of an encoding as the user sees it.
    static QString encodingName(TextEncoding encoding);

    /// Decodes the bytes in `encoding` (a byte-order mark overrides it) and splits them into rows.
    /// `fileName` only serves the messages.
    static Result<SheetTable> parse(const QByteArray& bytes, TextEncoding encoding, const QString& fileName);

    /// Splits decoded text into rows; the separator is a tab when the first row holds more tabs than
    /// commas, a comma otherwise.
    static Result<SheetTable> split(const QString& text, const QString& fileName);
};
