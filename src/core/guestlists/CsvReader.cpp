#include "core/guestlists/CsvReader.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

struct Utf8Check
{
    bool valid = true;
    int wideCharacters = 0; // characters from U+3000 on: CJK, full-width forms, emoji
};

// Strict UTF-8 check of one line: no overlong forms, no surrogates, nothing beyond U+10FFFF.
Utf8Check checkUtf8(const unsigned char* p, const unsigned char* end)
{
    Utf8Check result;
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
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            result.valid = false;
            return result;
        }
        if (end - p < length || p[1] < low || p[1] > high) {
            result.valid = false;
            return result;
        }
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF) {
                result.valid = false;
                return result;
            }
        }
        if (c >= 0xE3)
            ++result.wideCharacters;
        p += length;
    }
    return result;
}

// Where in a file without byte-order mark the lines disagree about their encoding.
struct LineScan
{
    int firstNonUtf8Line = 0;     // first line that is not UTF-8; 0 when every line is
    int firstChineseUtf8Line = 0; // first line that is clearly UTF-8 Chinese text; 0 when none is
};

LineScan scanLines(const QByteArray& bytes)
{
    LineScan scan;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = data + bytes.size();
    int line = 1;
    for (const unsigned char* start = data; start < end; ++line) {
        const unsigned char* stop = std::find(start, end, static_cast<unsigned char>('\n'));
        const Utf8Check check = checkUtf8(start, stop);
        if (!check.valid && scan.firstNonUtf8Line == 0)
            scan.firstNonUtf8Line = line;
        // GBK text passes as UTF-8 only by chance, and then hardly ever as two or more CJK characters.
        if (check.valid && check.wideCharacters >= 2 && scan.firstChineseUtf8Line == 0)
            scan.firstChineseUtf8Line = line;
        if (scan.firstNonUtf8Line && scan.firstChineseUtf8Line)
            break;
        start = stop + 1;
    }
    return scan;
}

QByteArray decoderName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Utf16:
        return "UTF-16";
    }
    return "UTF-8";
}

// The first line (1-based) of `bytes` that does not decode cleanly.
int firstBadLine(const QByteArray& bytes, TextEncoding encoding)
{
    int line = 1;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype stop = bytes.indexOf('\n', start);
        if (stop < 0)
            stop = bytes.size();
        QStringDecoder decoder(decoderName(encoding).constData());
        const QString decoded = decoder.decode(QByteArrayView(bytes).sliced(start, stop - start));
        if (decoder.hasError())
            return line;
        start = stop + 1;
        ++line;
    }
    return line - 1;
}

} // namespace

Result<QByteArray> CsvReader::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("无法打开文件%1：%2").arg(quoted(path), file.errorString()));
    if (file.size() > kMaxFileBytes) {
        return Status::failure(QStringLiteral("文件%1太大（超过 %2 MB），无法导入。")
                                   .arg(quoted(path))
                                   .arg(kMaxFileBytes / (1024 * 1024)));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("读取文件%1时出错：%2").arg(quoted(path), file.errorString()));
    return bytes;
}

bool CsvReader::hasByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith(kUtf8Bom) || bytes.startsWith(kUtf16LeBom) || bytes.startsWith(kUtf16BeBom);
}

TextEncoding CsvReader::detectEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return TextEncoding::Utf8;
    if (bytes.startsWith(kUtf16LeBom) || bytes.startsWith(kUtf16BeBom))
        return TextEncoding::Utf16;
    return scanLines(bytes).firstNonUtf8Line == 0 ? TextEncoding::Utf8 : TextEncoding::Gb18030;
}

QString CsvReader::encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Gb18030:
        return QStringLiteral("GBK/GB18030");
    case TextEncoding::Utf16:
        return QStringLiteral("UTF-16");
    }
    return QString();
}

Result<SheetTable> CsvReader::parse(const QByteArray& bytes, TextEncoding encoding, const QString& fileName)
{
    if (bytes.isEmpty())
        return Status::failure(QStringLiteral("文件%1是空的，没有可导入的内容。").arg(quoted(fileName)));

    QByteArrayView body(bytes);
    if (bytes.startsWith(kUtf8Bom)) {
        encoding = TextEncoding::Utf8;
        body = body.sliced(kUtf8Bom.size());
    } else if (bytes.startsWith(kUtf16LeBom) || bytes.startsWith(kUtf16BeBom)) {
        encoding = TextEncoding::Utf16; // the decoder reads the mark and the byte order from it
    } else if (encoding == TextEncoding::Utf16) {
        return Status::failure(
            QStringLiteral("文件%1没有 UTF-16 的字节顺序标记，不能按 UTF-16 读取。请换一种文字编码。")
                .arg(quoted(fileName)));
    }

    if (encoding != TextEncoding::Utf16 && body.contains('\0')) {
        return Status::failure(
            QStringLiteral("文件%1不是文本格式的表格（CSV），无法读取。").arg(quoted(fileName)));
    }

    if (!hasByteOrderMark(bytes)) {
        const LineScan scan = scanLines(bytes);
        if (scan.firstNonUtf8Line && scan.firstChineseUtf8Line) {
            return Status::failure(QStringLiteral("文件%1中混有两种文字编码：第%2行是 UTF-8，第%3行不是。"
                                                  "请在表格软件中把整个文件另存为同一种编码"
                                                  "（如“CSV UTF-8”）后再导入。")
                                       .arg(quoted(fileName))
                                       .arg(scan.firstChineseUtf8Line)
                                       .arg(scan.firstNonUtf8Line));
        }
    }

    QStringDecoder decoder(decoderName(encoding).constData());
    QString text = decoder.decode(body);
    if (decoder.hasError()) {
        const QByteArray plain = body.toByteArray();
        const QString where = encoding == TextEncoding::Utf16
                                  ? QString()
                                  : QStringLiteral("第%1行").arg(firstBadLine(plain, encoding));
        return Status::failure(QStringLiteral("文件%1%2含有不属于 %3 编码的文字，无法按这种编码读取。")
                                   .arg(quoted(fileName), where, encodingName(encoding)));
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return split(text, fileName);
}

Result<SheetTable> CsvReader::split(const QString& text, const QString& fileName)
{
    // The separator: whichever of tab and comma the first row holds more of, outside quotes.
    QChar separator = QLatin1Char(',');
    {
        int tabs = 0;
        int commas = 0;
        bool inQuotes = false;
        for (const QChar c : text) {
            if (c == QLatin1Char('"'))
                inQuotes = !inQuotes;
            else if (!inQuotes && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
                break;
            else if (!inQuotes && c == QLatin1Char('\t'))
                ++tabs;
            else if (!inQuotes && c == QLatin1Char(','))
                ++commas;
        }
        if (tabs > commas)
            separator = QLatin1Char('\t');
    }

    SheetTable table;
    SheetRow row;
    QString field;
    int line = 1;
    row.line = 1;
    int quoteLine = 0;
    bool inQuotes = false;
    bool fieldQuoted = false;

    auto endField = [&]() {
        if (row.cells.size() < SheetTable::kMaxColumns)
            row.cells.append(field);
        else if (!field.isEmpty())
            table.columnsCut = true;
        field.clear();
        fieldQuoted = false;
    };
    auto endRow = [&](int nextLine) {
        endField();
        while (!row.cells.isEmpty() && row.cells.constLast().trimmed().isEmpty())
            row.cells.removeLast();
        if (!row.cells.isEmpty()) {
            table.columnCount = std::max(table.columnCount, static_cast<int>(row.cells.size()));
            table.rows.append(std::move(row));
        }
        row = SheetRow();
        row.line = nextLine;
    };

    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < size && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n') ||
                    (c == QLatin1Char('\r') && !(i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty() && !fieldQuoted) {
            inQuotes = true;
            fieldQuoted = true;
            quoteLine = line;
        } else if (c == separator) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRow(line);
        } else {
            field += c; // a quote inside an unquoted field, or text after a closing quote, is kept
        }
    }
    if (inQuotes) {
        return Status::failure(QStringLiteral("文件%1第%2行的引号没有配对的结束引号，文件可能不完整。")
                                   .arg(quoted(fileName))
                                   .arg(quoteLine));
    }
    endRow(line);
    return table;
}
