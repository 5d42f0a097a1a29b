#include "core/store/SqliteAccess.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cmath>
#include <cstring>

namespace {

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// One call for all text columns of a row: a call per cell would cost more than the check itself.
void isUtf8Function(sqlite3_context* context, int count, sqlite3_value** args)
{
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(args[i]) != SQLITE_TEXT)
            continue;
        // The raw bytes, never converted: asking for text would let SQLite mend them first.
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(args[i]));
        if (!SqliteAccess::isUtf8(bytes, sqlite3_value_bytes(args[i]))) {
            sqlite3_result_int(context, 0);
            return;
        }
    }
    sqlite3_result_int(context, 1);
}

void isNumberFunction(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) != SQLITE_TEXT) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(args[0]));
    const QByteArrayView text(bytes, sqlite3_value_bytes(args[0]));
    sqlite3_result_int(context, SqliteAccess::numberIn(text, sqlite3_value_int(args[1]) != 0) ? 1 : 0);
}

} // namespace

namespace SqliteAccess {

bool addFunctions(QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    if (!handle)
        return false;
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(handle, "fennick_is_utf8", -1, flags, nullptr, isUtf8Function, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(handle, "fennick_is_number", 2, flags, nullptr, isNumberFunction,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<double> numberIn(QByteArrayView text, bool whole)
{
    const QByteArray trimmed = text.toByteArray().trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (trimmed.isEmpty() || !ok || !std::isfinite(value))
        return std::nullopt;
    if (whole && (value != std::floor(value) || std::fabs(value) > 9.0e18))
        return std::nullopt;
    return value;
}

Failure replaceContent(QSqlDatabase& db, const QString& sourcePath, int busyTimeoutMs)
{
    sqlite3* target = handleOf(db);
    if (!target)
        return Failure{SQLITE_MISUSE, QStringLiteral("no SQLite connection")};
    sqlite3* source = nullptr;
    int rc = sqlite3_open_v2(sourcePath.toUtf8().constData(), &source, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const Failure failure{rc, QString::fromUtf8(sqlite3_errmsg(source))};
        sqlite3_close(source);
        return failure;
    }
    sqlite3_busy_timeout(source, busyTimeoutMs);
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup) {
        const Failure failure{sqlite3_extended_errcode(target), QString::fromUtf8(sqlite3_errmsg(target))};
        sqlite3_close(source);
        return failure;
    }
    // All pages in one step, so the target changes in one write transaction; a lock held by another
    // program is waited for as long as any other write waits.
    QElapsedTimer waited;
    waited.start();
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(20);
    } while ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && waited.elapsed() < busyTimeoutMs);
    const int finished = sqlite3_backup_finish(backup);
    Failure failure;
    if (rc != SQLITE_DONE)
        failure = Failure{rc, QString::fromUtf8(sqlite3_errstr(rc))};
    else if (finished != SQLITE_OK)
        failure = Failure{finished, QString::fromUtf8(sqlite3_errmsg(target))};
    sqlite3_close(source);
    return failure;
}

bool isUtf8(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + size;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += length;
    }
    return true;
}

} // namespace SqliteAccess
