// Reads the first worksheet of an Excel workbook (.xlsx, as Excel and WPS save it) into rows of cell
// texts. Shared strings, inline strings, formula results and numbers are read; a whole number (a phone
// number, say) keeps all its digits. Damaged, truncated or oversized files give a message instead.
#pragma once

#include "core/guestlists/SheetTable.h"
#include "core/store/Result.h"

#include <QString>

class ReadProgress;

class XlsxReader
{
public:
    /// The most uncompressed bytes read from one part of the workbook; guards against zip bombs.
    static constexpr qint64 kDefaultPartLimit = 256LL * 1024 * 1024;

    /// Reads the first worksheet of the workbook at `path`; a cell longer than
    /// SheetTable::kMaxCellLength is refused with a message naming its row and column.
    static Result<SheetTable> read(const QString& path, qint64 partLimit = kDefaultPartLimit,
                                   ReadProgress* progress = nullptr);

    /// The text shown for a number cell: whole numbers in full without exponent, others shortest.
    static QString numberText(const QString& stored);

    /// True when `head` starts as a zip archive does.
    static bool looksLikeZip(const QByteArray& head);
};
