// Reads a guest list saved as text: comma- or tab-separated values with quoted fields (which may hold
// commas, quotes and line breaks), in UTF-8 (with or without byte-order mark), GBK/GB18030 as Excel
// and WPS save it in mainland China, Big5 as they save it in Taiwan and Hong Kong, or UTF-16 in
// either byte order (with or without a byte-order mark). The encoding is told from the content. A file
// whose lines are in two different encodings is refused rather than half garbled.
//
// Files are read chunk by chunk and never held whole: a table of a million rows is read in a fraction
// of the memory the file, its decoded text and its rows would take together.
#pragma once

#include "core/guestlists/SheetTable.h"
#include "core/store/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
class ReadProgress;

enum class TextEncoding
{
    Utf8,
    Gb18030,
    Big5,
    Utf16Le,
    Utf16Be
};

/// What one look through a whole text file found about its encoding.
struct TextFileScan
{
    TextEncoding encoding = TextEncoding::Utf8; // the most likely one
    bool byteOrderMark = false;                 // the file starts with a mark that fixes its encoding
    int firstNonUtf8Line = 0;                   // first line that is not UTF-8; 0 when every line is
    int firstChineseUtf8Line = 0;               // first line that is clearly UTF-8 Chinese; 0 when none
};

/// The rows of a text file as read in one encoding.
struct TextTable
{
    SheetTable table;
    int undecodableLine = 0; // first line with bytes the encoding cannot read (shown as "�"); 0 none
};

class CsvReader
{
public:
    /// The largest text file read.
    static constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

    /// Looks through the file at `path` for its encoding, or says why it cannot be read.
    static Result<TextFileScan> scan(const QString& path, ReadProgress* progress = nullptr);
    /// The same for bytes in memory.
    static TextFileScan scan(const QByteArray& bytes);
    /// The encoding `bytes` are most likely in; a byte-order mark decides on its own.
    static TextEncoding detectEncoding(const QByteArray& bytes) { return scan(bytes).encoding; }

    /// The encodings the user may choose, in the order they are offered.
    static QList<TextEncoding> encodings();
    /// The name of an encoding as the user sees it.
    static QString encodingName(TextEncoding encoding);

    /// Reads the file at `path` in `encoding` (a byte-order mark overrides it) into rows; `scan` is
    /// what scan() found. Bytes the encoding cannot read become "�" and are reported by line.
    static Result<TextTable> read(const QString& path, const TextFileScan& scan, TextEncoding encoding,
                                  ReadProgress* progress = nullptr);

    /// Reads bytes in memory in `encoding` (a byte-order mark overrides it); bytes the encoding
    /// cannot read are refused with a message naming the line. `fileName` only serves the messages.
    static Result<SheetTable> parse(const QByteArray& bytes, TextEncoding encoding, const QString& fileName);

    /// Splits decoded text into rows; the separator is a tab when the first row holds more tabs than
    /// commas, a comma otherwise.
    static Result<SheetTable> split(const QString& text, const QString& fileName);

private:
    static Result<TextFileScan> scanDevice(QIODevice& device, ReadProgress* progress);
    static Result<TextTable> readDevice(QIODevice& device, const QString& fileName, const TextFileScan& scan,
                                        TextEncoding encoding, ReadProgress* progress);
};
