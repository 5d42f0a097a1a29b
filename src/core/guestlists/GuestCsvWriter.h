// Writes a guest list as CSV that Excel and WPS open correctly: UTF-8 with byte-order mark, the
// headings of the guest grid (the six of old lists first, then 称谓, 同行, 桌号, 人数), CRLF line ends,
// fields quoted where they need it.
#pragma once

#include "core/store/GuestStore.h"
#include "core/store/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace GuestCsvWriter {

/// The whole file's bytes.
QByteArray toCsv(const QList<GuestFields>& guests);

/// Writes the file at `path` whole or not at all: an existing file is replaced only once the new
/// one is complete.
Status write(const QString& path, const QList<GuestFields>& guests);

} // namespace GuestCsvWriter
