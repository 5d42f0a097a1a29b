// Writes small .xlsx workbooks for tests and benchmarks: the XML parts by hand, zipped with QuaZip.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace XlsxFixture {

using Part = QPair<QString, QByteArray>;

/// A zip archive holding `parts` in order.
bool writeZip(const QString& path, const QList<Part>& parts);

/// The parts of a workbook whose first sheet is `sheetXml` (the <sheetData> content) at `sheetPath`
/// and whose shared strings are `sharedStrings` (the <si> items; no part when empty).
QList<Part> workbookParts(const QByteArray& sheetData, const QByteArray& sharedItems = QByteArray(),
                          const QString& sheetPath = QStringLiteral("worksheets/sheet1.xml"));

/// A workbook whose first sheet holds `rows`, every cell a shared string.
bool writeRows(const QString& path, const QList<QStringList>& rows);

/// `text` with the XML special characters escaped.
QByteArray escaped(const QString& text);

} // namespace XlsxFixture
