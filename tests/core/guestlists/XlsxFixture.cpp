#include "XlsxFixture.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <QBuffer>
#include <QFile>
#include <QStringEncoder>

namespace XlsxFixture {

namespace {

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const QByteArray kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray relationship(const QByteArray& id, const QByteArray& type, const QByteArray& target)
{
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + "/" + type + "\" Target=\"" + target +
           "\"/>";
}

QByteArray worksheet(const QByteArray& sheetData)
{
    return "<worksheet " + kMain + "><sheetData>" + sheetData + "</sheetData></worksheet>";
}

} // namespace

QByteArray zip(const QList<Part>& parts)
{
    QBuffer buffer;
    QuaZip archive(&buffer);
    archive.open(QuaZip::mdCreate);
    for (const Part& part : parts) {
        QuaZipFile file(&archive);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first));
        file.write(part.second);
    }
    archive.close();
    return buffer.data();
}

QList<Part> workbookParts(const QByteArray& sheetData, const QByteArray& sharedItems,
                          const QString& sheetPath)
{
    QList<Part> parts{
        {"_rels/.rels",
         kRelationships + relationship("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"},
        {"xl/workbook.xml", "<workbook " + kMain + " xmlns:r=\"" + kRelType +
                                "\"><sheets><sheet name=\"宾客\" sheetId=\"1\" r:id=\"rId7\"/>"
                                "<sheet name=\"Other\" sheetId=\"2\" r:id=\"rId8\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         kRelationships + relationship("rId8", "worksheet", "worksheets/other.xml") +
             relationship("rId7", "worksheet", sheetPath.toUtf8()) +
             relationship("rId9", "sharedStrings", "sharedStrings.xml") + "</Relationships>"},
        {"xl/worksheets/other.xml",
         worksheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>second</t></is></c></row>")},
        {"xl/sharedStrings.xml", "<sst " + kMain + ">" + sharedItems + "</sst>"}};
    if (!sheetPath.isEmpty())
        parts << Part{"xl/" + sheetPath, worksheet(sheetData)};
    return parts;
}

QByteArray workbook(const QList<QStringList>& rows)
{
    QByteArray shared;
    QByteArray sheet;
    int strings = 0;
    for (int r = 0; r < rows.size(); ++r) {
        const QByteArray line = QByteArray::number(r + 1);
        sheet += "<row r=\"" + line + "\">";
        for (int c = 0; c < rows.at(r).size(); ++c) {
            if (rows.at(r).at(c).isEmpty())
                continue;
            shared +=
                "<si><t xml:space=\"preserve\">" + rows.at(r).at(c).toHtmlEscaped().toUtf8() + "</t></si>";
            sheet += "<c r=\"" + QByteArray(1, static_cast<char>('A' + c)) + line + "\" t=\"s\"><v>" +
                     QByteArray::number(strings++) + "</v></c>";
        }
        sheet += "</row>";
    }
    return zip(workbookParts(sheet, shared));
}

bool writeRows(const QString& path, const QList<QStringList>& rows)
{
    return !writeFile(path, workbook(rows)).isEmpty();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

} // namespace XlsxFixture
