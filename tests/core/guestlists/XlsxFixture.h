// Writes the files the import tests and the import benchmark read: small .xlsx workbooks (the XML
// parts written by hand, zipped with QuaZip) and files of given bytes.
#pragma once

#include <QByteArray>
#include <QPair>
#include <QStringList>

namespace XlsxFixture {

using Part = QPair<QString, QByteArray>;

/// The bytes of a zip archive holding `parts` in order.
QByteArray zip(const QList<Part>& parts);

/// The parts of a workbook whose first sheet, at `sheetPath` (left out when empty), holds `sheetData`
/// (the <sheetData> content), with the shared strings `sharedItems` (the <si> items). A second sheet
/// is listed before the first in the relationships, so that a reader must follow the workbook's order.
QList<Part> workbookParts(const QByteArray& sheetData, const QByteArray& sharedItems = QByteArray(),
                          const QString& sheetPath = QStringLiteral("worksheets/sheet1.xml"));

/// A workbook whose first sheet holds `rows`, every cell a shared string; `writeRows` writes it to `path`.
QByteArray workbook(const QList<QStringList>& rows);
bool writeRows(const QString& path, const QList<QStringList>& rows);

/// Writes `bytes` to the file at `path` (stops the test program when it cannot) and returns `path`.
QString writeFile(const QString& path, const QByteArray& bytes);

/// `text` in GBK/GB18030, as Excel and WPS save CSV files in China.
QByteArray gbk(const QString& text);

} // namespace XlsxFixture
