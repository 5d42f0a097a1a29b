#include "XlsxFixture.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <QHash>

namespace XlsxFixture {

bool writeZip(const QString& path, const QList<Part>& parts)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const Part& part : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first)))
            return false;
        if (file.write(part.second) != part.second.size())
            return false;
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

QList<Part> workbookParts(const QByteArray& sheetData, const QByteArray& sharedItems,
                          const QString& sheetPath)
{
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rns = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray relType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QList<Part> parts;
    parts << Part{QStringLiteral("[Content_Types].xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"};
    parts << Part{
        QStringLiteral("_rels/.rels"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
        "Type=\"" +
            relType + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"};
    parts << Part{QStringLiteral("xl/workbook.xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + " " + rns +
                      "><sheets><sheet name=\"宾客\" sheetId=\"1\" r:id=\"rId7\"/>"
                      "<sheet name=\"Other\" sheetId=\"2\" r:id=\"rId8\"/></sheets></workbook>"};
    QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId8\" Type=\"" +
                      relType +
                      "worksheet\" Target=\"worksheets/other.xml\"/>"
                      "<Relationship Id=\"rId7\" Type=\"" +
                      relType + "worksheet\" Target=\"" + sheetPath.toUtf8() + "\"/>";
    if (!sharedItems.isEmpty())
        rels +=
            "<Relationship Id=\"rId9\" Type=\"" + relType + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    rels += "</Relationships>";
    parts << Part{QStringLiteral("xl/_rels/workbook.xml.rels"), rels};
    if (!sharedItems.isEmpty()) {
        parts << Part{QStringLiteral("xl/sharedStrings.xml"),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst " + ns + ">" + sharedItems + "</sst>"};
    }
    if (!sheetPath.isEmpty()) {
        parts << Part{QStringLiteral("xl/") + sheetPath,
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " + ns + "><sheetData>" +
                          sheetData + "</sheetData></worksheet>"};
    }
    parts << Part{
        QStringLiteral("xl/worksheets/other.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " + ns +
            "><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>second sheet</t></is></c></row>"
            "</sheetData></worksheet>"};
    return parts;
}

bool writeRows(const QString& path, const QList<QStringList>& rows)
{
    QHash<QString, int> index;
    QByteArray shared;
    QByteArray sheet;
    sheet.reserve(rows.size() * 200);
    for (int r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        const QStringList& cells = rows.at(r);
        for (int c = 0; c < cells.size(); ++c) {
            if (cells.at(c).isEmpty())
                continue;
            auto it = index.find(cells.at(c));
            if (it == index.end()) {
                it = index.insert(cells.at(c), static_cast<int>(index.size()));
                shared += "<si><t xml:space=\"preserve\">" + escaped(cells.at(c)) + "</t></si>";
            }
            sheet += "<c r=\"" + QByteArray(1, static_cast<char>('A' + c)) + QByteArray::number(r + 1) +
                     "\" t=\"s\"><v>" + QByteArray::number(it.value()) + "</v></c>";
        }
        sheet += "</row>";
    }
    return writeZip(path, workbookParts(sheet, shared));
}

} // namespace XlsxFixture
