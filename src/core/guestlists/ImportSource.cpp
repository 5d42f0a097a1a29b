#include "core/guestlists/ImportSource.h"

#include "core/guestlists/XlsxReader.h"

#include <QFile>
#include <QFileInfo>

Result<ImportSource> ImportSource::open(const QString& path)
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
        Result<SheetTable> table = XlsxReader::read(path);
        if (!table.isOk())
            return Status::failure(table.error());
        source.m_table = std::move(table.value());
        return source.withRows();
    }
    Result<QByteArray> bytes = CsvReader::load(path);
    if (!bytes.isOk())
        return Status::failure(bytes.error());
    source.m_bytes = std::move(bytes.value());
    source.m_encoding = CsvReader::detectEncoding(source.m_bytes);
    source.m_encodingFixed = CsvReader::hasByteOrderMark(source.m_bytes);
    const QString name = QFileInfo(path).fileName();
    Result<SheetTable> table = CsvReader::parse(source.m_bytes, source.m_encoding, name);
    if (!table.isOk())
        return Status::failure(table.error());
    source.m_table = std::move(table.value());
    return source.withRows();
}

Result<ImportSource> ImportSource::withRows()
{
    if (m_table.rows.isEmpty()) {
        return Status::failure(
            QStringLiteral("文件“%1”中没有任何内容，没有可导入的宾客。").arg(QFileInfo(m_path).fileName()));
    }
    return std::move(*this);
}

Status ImportSource::reread(TextEncoding encoding)
{
    if (m_workbook || m_encodingFixed || encoding == m_encoding)
        return Status::ok();
    Result<SheetTable> table = CsvReader::parse(m_bytes, encoding, QFileInfo(m_path).fileName());
    if (!table.isOk())
        return Status::failure(table.error());
    m_table = std::move(table.value());
    m_encoding = encoding;
    return Status::ok();
}
