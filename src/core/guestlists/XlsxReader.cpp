#include "core/guestlists/XlsxReader.h"

#include "core/guestlists/ReadProgress.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

// Hands on the bytes of an inner device until a limit is reached, then reports the end of data, so
// that a part that inflates to gigabytes is stopped after `limit` bytes. Counts what it hands on for
// the progress shown, and stops when the user cancels.
class CappedDevice : public QIODevice
{
public:
    CappedDevice(QIODevice& inner, qint64 limit, ReadProgress* progress)
        : m_inner(inner), m_limit(limit), m_progress(progress)
    {
        open(QIODevice::ReadOnly);
    }
    bool exceeded() const { return m_exceeded; }
    bool failed() const { return m_failed; }
    bool cancelled() const { return m_cancelled; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_progress && m_progress->cancelled()) {
            m_cancelled = true;
            return -1;
        }
        if (m_total >= m_limit) {
            m_exceeded = !m_inner.atEnd();
            return -1;
        }
        const qint64 n = m_inner.read(data, std::min(maxSize, m_limit - m_total));
        if (n < 0) {
            m_failed = true;
            return -1;
        }
        m_total += n;
        if (m_progress)
            m_progress->add(n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_inner;
    qint64 m_limit;
    ReadProgress* m_progress;
    qint64 m_total = 0;
    bool m_exceeded = false;
    bool m_failed = false;
    bool m_cancelled = false;
};

bool tooLong(const QString& text)
{
    return text.size() > SheetTable::kMaxCellLength;
}

// Zero-based column index of a cell reference such as "AB12"; -1 when it has no letters.
int columnOf(QStringView ref)
{
    int column = 0;
    int letters = 0;
    for (const QChar c : ref) {
        const char16_t u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            column = column * 26 + (u - 'A' + 1);
        else if (u >= 'a' && u <= 'z')
            column = column * 26 + (u - 'a' + 1);
        else
            break;
        if (++letters > 4)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// Resolves a relationship target against the folder of the part that refers to it.
QString resolveTarget(const QString& baseFolder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(baseFolder.isEmpty() ? target : baseFolder + QLatin1Char('/') + target);
}

QString folderOf(const QString& partName)
{
    const int slash = partName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : partName.left(slash);
}

QString relsOf(const QString& partName)
{
    const QString folder = folderOf(partName);
    const QString file = partName.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") + file +
           QStringLiteral(".rels");
}

struct Relationship
{
    QString type;
    QString target;
};

class WorkbookReader
{
public:
    WorkbookReader(const QString& path, qint64 partLimit, ReadProgress* progress)
        : m_path(path), m_zip(path), m_limit(partLimit), m_progress(progress)
    {
    }

    Result<SheetTable> read();

private:
    Status damaged() const
    {
        return Status::failure(
            QStringLiteral("文件%1已损坏或不完整，无法读取。请在表格软件中打开并重新保存后再导入。")
                .arg(quoted(m_path)));
    }

    bool hasPart(const QString& name) { return m_zip.setCurrentFile(name, QuaZip::csInsensitive); }

    // Opens part `name` and hands an XML reader over its (capped) content to `parse`.
    Status parsePart(const QString& name, const std::function<Status(QXmlStreamReader&)>& parse);

    Status readRelationships(const QString& partName, QHash<QString, Relationship>& out);
    Status readSharedStrings(const QString& name);
    Status readSheet(const QString& name, SheetTable& table);
    QString cellText(QXmlStreamReader& xml, const QString& type, Status& error, bool& longText);
    qint64 partSize(const QString& name);

    QString m_path;
    QuaZip m_zip;
    qint64 m_limit;
    ReadProgress* m_progress;
    QStringList m_sharedStrings;
    QSet<int> m_longSharedStrings; // kept empty: too long for any cell
};

Status WorkbookReader::parsePart(const QString& name, const std::function<Status(QXmlStreamReader&)>& parse)
{
    if (!hasPart(name))
        return damaged();
    QuaZipFile file(&m_zip);
    if (!file.open(QIODevice::ReadOnly))
        return damaged();
    CappedDevice capped(file, m_limit, m_progress);
    QXmlStreamReader xml(&capped);
    const Status parsed = parse(xml);
    if (capped.cancelled())
        return Status::failure(ReadProgress::cancelledText());
    if (capped.exceeded()) {
        return Status::failure(QStringLiteral("文件%1中的表格内容过大（解压后超过 %2 MB），无法导入。")
                                   .arg(quoted(m_path))
                                   .arg(m_limit / (1024 * 1024)));
    }
    if (capped.failed() || xml.hasError())
        return damaged();
    if (!parsed.isOk())
        return parsed;
    file.close();
    if (file.getZipError() != UNZ_OK)
        return damaged(); // checksum of the part did not match
    return Status::ok();
}

Status WorkbookReader::readRelationships(const QString& partName, QHash<QString, Relationship>& out)
{
    const QString rels = relsOf(partName);
    if (!hasPart(rels))
        return Status::ok();
    const QString base = folderOf(partName);
    return parsePart(rels, [&](QXmlStreamReader& xml) {
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("Relationship")) {
                const auto a = xml.attributes();
                out.insert(a.value(QLatin1String("Id")).toString(),
                           {a.value(QLatin1String("Type")).toString(),
                            resolveTarget(base, a.value(QLatin1String("Target")).toString())});
                xml.skipCurrentElement();
            } else if (xml.name() != QLatin1String("Relationships")) {
                xml.skipCurrentElement();
            }
        }
        return Status::ok();
    });
}

Status WorkbookReader::readSharedStrings(const QString& name)
{
    return parsePart(name, [&](QXmlStreamReader& xml) {
        QString text;
        bool inItem = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                const auto n = xml.name();
                if (n == QLatin1String("si")) {
                    inItem = true;
                    text.clear();
                } else if (n == QLatin1String("rPh") || n == QLatin1String("phoneticPr")) {
                    xml.skipCurrentElement(); // reading aids, not part of the text
                } else if (n == QLatin1String("t") && inItem) {
                    text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                }
            } else if (xml.isEndElement() && xml.name() == QLatin1String("si")) {
                if (tooLong(text)) {
                    m_longSharedStrings.insert(static_cast<int>(m_sharedStrings.size()));
                    text.clear();
                }
                m_sharedStrings.append(text);
                inItem = false;
            }
        }
        return Status::ok();
    });
}

qint64 WorkbookReader::partSize(const QString& name)
{
    QuaZipFileInfo64 info;
    if (!hasPart(name) || !m_zip.getCurrentFileInfo(&info))
        return 0;
    return static_cast<qint64>(info.uncompressedSize);
}

QString WorkbookReader::cellText(QXmlStreamReader& xml, const QString& type, Status& error, bool& longText)
{
    QString value;
    QString inlineText;
    while (xml.readNextStartElement()) {
        const auto n = xml.name();
        if (n == QLatin1String("v")) {
            value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (n == QLatin1String("is")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("t")) {
                    inlineText += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else if (xml.name() == QLatin1String("r")) {
                    while (xml.readNextStartElement()) {
                        if (xml.name() == QLatin1String("t"))
                            inlineText += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        else
                            xml.skipCurrentElement();
                    }
                } else {
                    xml.skipCurrentElement();
                }
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= m_sharedStrings.size()) {
            error = damaged();
            return QString();
        }
        longText = m_longSharedStrings.contains(index);
        return m_sharedStrings.at(index);
    }
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type.isEmpty() || type == QLatin1String("n"))
        return XlsxReader::numberText(value.trimmed());
    return value; // "str" (formula result), "e" (error value), "d" (date text)
}

Status WorkbookReader::readSheet(const QString& name, SheetTable& table)
{
    return parsePart(name, [&](QXmlStreamReader& xml) -> Status {
        int lastRow = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.name() != QLatin1String("row"))
                continue;
            QStringList cells;
            bool ok = false;
            int line = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            if (!ok || line <= lastRow)
                line = lastRow + 1;
            lastRow = line;
            int lastColumn = -1;
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("c")) {
                    xml.skipCurrentElement();
                    continue;
                }
                const auto a = xml.attributes();
                int column = columnOf(a.value(QLatin1String("r")));
                if (column < 0 || column <= lastColumn)
                    column = lastColumn + 1;
                lastColumn = column;
                Status error = Status::ok();
                bool longText = false;
                const QString text = cellText(xml, a.value(QLatin1String("t")).toString(), error, longText);
                if (!error.isOk())
                    return error;
                if (longText || tooLong(text)) {
                    return Status::failure(
                        QStringLiteral("文件%1第%2行第%3列的内容超过 1 MB，不是宾客名单中的内容，无法导入。"
                                       "请在表格软件中检查这个单元格。")
                            .arg(quoted(m_path))
                            .arg(line)
                            .arg(column + 1));
                }
                if (text.trimmed().isEmpty()) // blanks only: nothing to import
                    continue;
                if (column >= SheetTable::kMaxColumns) {
                    table.setColumnsCut();
                    continue;
                }
                while (cells.size() <= column)
                    cells.append(QString());
                cells[column] = text;
            }
            table.appendRow(line, std::move(cells));
        }
        return Status::ok();
    });
}

Result<SheetTable> WorkbookReader::read()
{
    QFile probe(m_path);
    if (!probe.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("无法打开文件%1：%2").arg(quoted(m_path), probe.errorString()));
    const QByteArray head = probe.read(8);
    probe.close();
    if (head.isEmpty())
        return Status::failure(QStringLiteral("文件%1是空的，没有可导入的内容。").arg(quoted(m_path)));
    if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"))) {
        return Status::failure(
            QStringLiteral("文件%1是旧版 Excel 文件（.xls）或设有密码的工作簿，无法直接读取。"
                           "请在表格软件中把它另存为不带密码的 .xlsx 或 CSV 文件后再导入。")
                .arg(quoted(m_path)));
    }
    if (!XlsxReader::looksLikeZip(head) || !m_zip.open(QuaZip::mdUnzip)) {
        return Status::failure(
            QStringLiteral("文件%1不是 Excel 工作簿（.xlsx），或已经损坏，无法读取。").arg(quoted(m_path)));
    }

    // The workbook part is named by the package's own relationships; xl/workbook.xml is the usual place.
    QString workbook = QStringLiteral("xl/workbook.xml");
    QHash<QString, Relationship> packageRels;
    if (Status s = readRelationships(QString(), packageRels); !s.isOk())
        return s;
    for (const Relationship& r : packageRels) {
        if (r.type.endsWith(QLatin1String("/officeDocument")))
            workbook = r.target;
    }
    if (!hasPart(workbook))
        return Status::failure(
            QStringLiteral("文件%1不是 Excel 工作簿（.xlsx），或已经损坏，无法读取。").arg(quoted(m_path)));

    QString firstSheetId;
    if (Status s = parsePart(workbook,
                             [&](QXmlStreamReader& xml) {
                                 while (!xml.atEnd() && firstSheetId.isEmpty()) {
                                     xml.readNext();
                                     if (!xml.isStartElement() || xml.name() != QLatin1String("sheet"))
                                         continue;
                                     for (const QXmlStreamAttribute& a : xml.attributes()) {
                                         if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                                             firstSheetId = a.value().toString();
                                     }
                                     if (firstSheetId.isEmpty()) // a prefix without its namespace
                                         firstSheetId =
                                             xml.attributes().value(QLatin1String("r:id")).toString();
                                 }
                                 return Status::ok();
                             });
        !s.isOk())
        return s;

    QHash<QString, Relationship> workbookRels;
    if (Status s = readRelationships(workbook, workbookRels); !s.isOk())
        return s;
    const QString sheet = workbookRels.value(firstSheetId).target;
    if (firstSheetId.isEmpty() || sheet.isEmpty() || !hasPart(sheet)) {
        return Status::failure(
            QStringLiteral(
                "文件%1中找不到第一张工作表，文件可能已损坏。请在表格软件中打开并重新保存后再导入。")
                .arg(quoted(m_path)));
    }
    if (m_progress) {
        qint64 total = partSize(sheet);
        for (const Relationship& r : workbookRels) {
            if (r.type.endsWith(QLatin1String("/sharedStrings")))
                total += partSize(r.target);
        }
        m_progress->setTotal(total);
    }
    for (const Relationship& r : workbookRels) {
        if (r.type.endsWith(QLatin1String("/sharedStrings")) && hasPart(r.target)) {
            if (Status s = readSharedStrings(r.target); !s.isOk())
                return s;
        }
    }

    SheetTable table;
    if (Status s = readSheet(sheet, table); !s.isOk())
        return s;
    return table;
}

} // namespace

Result<SheetTable> XlsxReader::read(const QString& path, qint64 partLimit, ReadProgress* progress)
{
    WorkbookReader reader(path, partLimit, progress);
    return reader.read();
}

bool XlsxReader::looksLikeZip(const QByteArray& head)
{
    return head.startsWith("PK\x03\x04");
}

QString XlsxReader::numberText(const QString& stored)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^-?\\d+(\\.0*)?$"));
    const QRegularExpressionMatch m = wholeNumber.match(stored);
    if (m.hasMatch())
        return stored.left(stored.size() - m.capturedLength(1));
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return stored;
    if (value == std::floor(value) && std::fabs(value) < 1e18)
        return QString::number(static_cast<qint64>(value)); // 1.3812345678E10 is 13812345678
    return QString::number(value, 'g', 15);
}
