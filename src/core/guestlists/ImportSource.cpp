#include "core/guestlists/ImportSource.h"

#include "core/guestlists/ReadProgress.h"
#include "core/guestlists/XlsxReader.h"

#include <QFile>
#include <QFileInfo>

Result<ImportSource> ImportSource::open(const QString& path, ReadProgress* progress)
{
    ImportSource source;
    source.m_path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::failure(
            QStringLiteral("无法打开文件“%1”：%2").arg(QFileInfo(path).fileName(), file.errorString()));
    }
    const QByteArray head = file.read(8);
    file.close();
    // A workbook saved under a .csv name is still read as a workbook; anything named .xlsx is read
    // as one too, so that a file that is not one gets the workbook's message.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (XlsxReader::looksLikeZip(head) || head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")) ||
        suffix == QLatin1String("xlsx") || suffix == QLatin1String("xlsm")) {
        source.m_workbook = true;
        Result<SheetTable> table = XlsxReader::read(path, XlsxReader::kDefaultPartLimit, progress);
        if (!table.isOk())
            return Status::failure(table.error());
        source.m_table = std::move(table.value());
        return source.withRows();
    }
    // Two passes over the file, neither holding it: the first finds the encoding, the second reads.
    if (progress)
        progress->setTotal(2 * QFileInfo(path).size());
    const Result<TextFileScan> scan = CsvReader::scan(path, progress);
    if (!scan.isOk())
        return Status::failure(scan.error());
    source.m_scan = scan.value();
    if (Status s = source.readText(scan.value().encoding, progress); !s.isOk())
        return s;
    return source.withRows();
}

Status ImportSource::readText(TextEncoding encoding, ReadProgress* progress)
{
    Result<TextTable> read = CsvReader::read(m_path, m_scan, encoding, progress);
    if (!read.isOk())
        return Status::failure(read.error());
    m_encoding = m_scan.byteOrderMark ? m_scan.encoding : encoding;
    m_undecodableLine = read.value().undecodableLine;
    m_table = std::move(read.value().table);
    return Status::ok();
}

Result<ImportSource> ImportSource::withRows()
{
    if (m_table.isEmpty()) {
        return Status::failure(
            QStringLiteral("文件“%1”中没有任何内容，没有可导入的宾客。").arg(QFileInfo(m_path).fileName()));
    }
    return std::move(*this);
}

Result<ImportSource> ImportSource::reread(TextEncoding encoding, ReadProgress* progress) const
{
    ImportSource again;
    again.m_path = m_path;
    again.m_workbook = m_workbook;
    again.m_scan = m_scan;
    if (m_workbook || m_scan.byteOrderMark)
        return *this;
    if (progress)
        progress->setTotal(QFileInfo(m_path).size());
    if (Status s = again.readText(encoding, progress); !s.isOk())
        return s;
    return again.withRows();
}
