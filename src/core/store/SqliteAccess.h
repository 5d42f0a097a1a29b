// The few things the program needs from SQLite that Qt's driver does not offer: a function that tells
// UTF-8 text from other bytes inside a query, and the online backup that replaces a database's whole
// content with another file's in one step.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

class QSqlDatabase;

namespace SqliteAccess {

/// Adds two functions to the connection. fennick_is_utf8(x, ...): 0 when any argument is text whose
/// bytes are not valid UTF-8, else 1. fennick_is_number(x, whole): 1 when x is
/// text that numberIn() reads as a number (a whole one when `whole` is 1). False when the connection
/// has no SQLite handle.
bool addFunctions(QSqlDatabase& db);

/// The finite number written in `text` (blanks around it allowed), and nothing for any other text;
/// with `whole`, only whole numbers that fit 64 bits.
std::optional<double> numberIn(QByteArrayView text, bool whole);

/// What a failed SQLite call said: its result code (0 when none) and its English text.
struct Failure
{
    int code = 0;
    QString text;
};

/// Replaces everything in the main database of `db` (every table, index and the user version) with
/// the content of the database file `sourcePath`, in one write transaction: on failure nothing has
/// changed. The source is opened read-only.
Failure replaceContent(QSqlDatabase& db, const QString& sourcePath, int busyTimeoutMs);

/// True when `bytes` are valid UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool isUtf8(const char* bytes, qsizetype size);

} // namespace SqliteAccess
