#include "core/guestlists/CsvReader.h"

#include "core/guestlists/ReadProgress.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <unicode/ucsdet.h>

#include <algorithm>

namespace {

constexpr qint64 kChunkBytes = 1024 * 1024;
// How much of the start of a file decides between UTF-16 and the Chinese code pages.
constexpr qsizetype kSampleBytes = 256 * 1024;
// The first row decides the separator; a first "row" longer than this is no heading row.
constexpr qsizetype kFirstRowLimit = 4 * 1024 * 1024;

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

const char* decoderName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Big5:
        return "Big5";
    case TextEncoding::Utf16Le:
        return "UTF-16LE";
    case TextEncoding::Utf16Be:
        return "UTF-16BE";
    }
    return "UTF-8";
}

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) checked line by line as the
// bytes stream past; a line is "Chinese" when it holds two or more characters from U+3000 on, which
// GBK text almost never does by chance.
class Utf8Lines
{
public:
    void feed(const char* data, qsizetype size)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        for (qsizetype i = 0; i < size; ++i)
            byte(p[i]);
    }
    void finish()
    {
        if (m_lineBytes > 0)
            endLine();
    }
    int firstNonUtf8Line() const { return m_firstNonUtf8; }
    int firstChineseLine() const { return m_firstChinese; }

private:
    void byte(unsigned char c)
    {
        ++m_lineBytes;
        if (m_need > 0) {
            if (c >= m_low && c <= m_high) {
                m_low = 0x80;
                m_high = 0xBF;
                if (--m_need == 0 && m_wide)
                    ++m_wideCount;
                return;
            }
            m_valid = false; // the sequence broke off: this byte starts afresh
            m_need = 0;
        }
        if (c == '\n') {
            endLine();
            return;
        }
        if (c < 0x80)
            return;
        m_low = 0x80;
        m_high = 0xBF;
        m_wide = c >= 0xE3;
        if (c >= 0xC2 && c <= 0xDF) {
            m_need = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            m_need = 2;
            if (c == 0xE0)
                m_low = 0xA0;
            else if (c == 0xED)
                m_high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            m_need = 3;
            if (c == 0xF0)
                m_low = 0x90;
            else if (c == 0xF4)
                m_high = 0x8F;
        } else {
            m_valid = false;
        }
    }
    void endLine()
    {
        if (m_need > 0)
            m_valid = false;
        if (!m_valid && m_firstNonUtf8 == 0)
            m_firstNonUtf8 = m_line;
        if (m_valid && m_wideCount >= 2 && m_firstChinese == 0)
            m_firstChinese = m_line;
        ++m_line;
        m_lineBytes = 0;
        m_valid = true;
        m_wideCount = 0;
        m_need = 0;
    }

    int m_line = 1;
    qsizetype m_lineBytes = 0;
    bool m_valid = true;
    int m_wideCount = 0;
    int m_need = 0; // continuation bytes still expected
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    bool m_wide = false;
    int m_firstNonUtf8 = 0;
    int m_firstChinese = 0;
};

// Text tables always hold line breaks and separators; in UTF-16 those have a zero byte, which no
// other encoding of text has. Which half of the code units holds the zeros tells the byte order.
std::optional<TextEncoding> utf16ByContent(const QByteArray& sample)
{
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i + 1 < sample.size(); i += 2) {
        evenZeros += sample.at(i) == '\0';
        oddZeros += sample.at(i + 1) == '\0';
    }
    const qsizetype units = sample.size() / 2;
    const auto clearly = [units](qsizetype zeros, qsizetype others) {
        return zeros >= 2 && zeros * 20 >= units && others * 10 <= zeros;
    };
    TextEncoding guess;
    if (clearly(oddZeros, evenZeros))
        guess = TextEncoding::Utf16Le;
    else if (clearly(evenZeros, oddZeros))
        guess = TextEncoding::Utf16Be;
    else
        return std::nullopt;
    QStringDecoder decoder(decoderName(guess));
    (void)decoder.decode(QByteArrayView(sample).first(units * 2));
    if (decoder.hasError())
        return std::nullopt;
    return guess;
}

// Bytes that are not UTF-8: GBK/GB18030 or Big5, as the character statistics of the sample say.
TextEncoding chineseCodePage(const QByteArray& sample)
{
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    int gb = 0;
    int big5 = 0;
    if (U_SUCCESS(status)) {
        ucsdet_setText(detector, sample.constData(), static_cast<int32_t>(sample.size()), &status);
        int32_t count = 0;
        const UCharsetMatch** matches = ucsdet_detectAll(detector, &count, &status);
        for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
            const QByteArray name = ucsdet_getName(matches[i], &status);
            const int confidence = ucsdet_getConfidence(matches[i], &status);
            if (name == "GB18030")
                gb = std::max(gb, confidence);
            else if (name == "Big5")
                big5 = std::max(big5, confidence);
        }
    }
    ucsdet_close(detector);
    return big5 > gb ? TextEncoding::Big5 : TextEncoding::Gb18030;
}

// Splits decoded text into rows as it arrives, in pieces of any size: the state of a quoted field
// or of a line end is carried from one piece to the next.
class Splitter
{
public:
    explicit Splitter(QString fileName) : m_fileName(std::move(fileName)) {}

    void feed(QStringView text)
    {
        if (!m_error.isEmpty())
            return;
        if (!m_decided) {
            m_pending += text;
            if (!firstRowComplete() && m_pending.size() < kFirstRowLimit)
                return;
            decideSeparator();
            const QString pending = std::move(m_pending);
            m_pending.clear();
            process(pending);
            return;
        }
        process(text);
    }

    Result<SheetTable> finish()
    {
        if (!m_decided) {
            decideSeparator();
            const QString pending = std::move(m_pending);
            m_pending.clear();
            process(pending);
        }
        if (!m_error.isEmpty())
            return Status::failure(m_error);
        if (m_quotePending) {
            m_inQuotes = false;
            m_quotePending = false;
        }
        if (m_inQuotes) {
            return Status::failure(QStringLiteral("文件%1第%2行的引号没有配对的结束引号，文件可能不完整。")
                                       .arg(quoted(m_fileName))
                                       .arg(m_quoteLine));
        }
        endRow(m_line);
        return m_table;
    }

private:
    // Whether the pending text holds the end of its first row (a line break outside quotes).
    bool firstRowComplete() const
    {
        bool inQuotes = false;
        for (const QChar c : m_pending) {
            if (c == QLatin1Char('"'))
                inQuotes = !inQuotes;
            else if (!inQuotes && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
                return true;
        }
        return false;
    }

    // The separator: whichever of tab and comma the first row holds more of, outside quotes.
    void decideSeparator()
    {
        int tabs = 0;
        int commas = 0;
        bool inQuotes = false;
        for (const QChar c : m_pending) {
            if (c == QLatin1Char('"'))
                inQuotes = !inQuotes;
            else if (!inQuotes && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
                break;
            else if (!inQuotes && c == QLatin1Char('\t'))
                ++tabs;
            else if (!inQuotes && c == QLatin1Char(','))
                ++commas;
        }
        m_separator = tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
        m_decided = true;
    }

    void process(QStringView text)
    {
        for (const QChar c : text) {
            if (!m_error.isEmpty())
                return;
            step(c);
        }
    }

    void step(QChar c)
    {
        if (m_inQuotes) {
            if (m_quotePending) {
                m_quotePending = false;
                if (c == QLatin1Char('"')) {
                    append(c); // a doubled quote inside quotes is one quote
                    return;
                }
                m_inQuotes = false; // the quote closed the field; c is read as outside
            } else {
                if (m_crInQuotes && c != QLatin1Char('\n'))
                    ++m_line;
                m_crInQuotes = false;
                if (c == QLatin1Char('"')) {
                    m_quotePending = true;
                    return;
                }
                if (c == QLatin1Char('\n'))
                    ++m_line;
                else if (c == QLatin1Char('\r'))
                    m_crInQuotes = true;
                append(c);
                return;
            }
        }
        if (m_crPending) {
            m_crPending = false;
            if (c == QLatin1Char('\n'))
                return; // the second half of a CR LF
        }
        if (c == QLatin1Char('"') && m_field.isEmpty() && !m_fieldQuoted) {
            m_inQuotes = true;
            m_fieldQuoted = true;
            m_quoteLine = m_line;
        } else if (c == m_separator) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            ++m_line;
            endRow(m_line);
            m_crPending = c == QLatin1Char('\r');
        } else {
            append(c); // a quote inside an unquoted field, or text after a closing quote, is kept
        }
    }

    void append(QChar c)
    {
        if (m_field.size() >= SheetTable::kMaxCellLength) {
            m_error = QStringLiteral("文件%1第%2行第%3列的内容超过 1 MB，不是宾客名单中的内容，无法导入。"
                                     "请在表格软件中检查这个单元格。")
                          .arg(quoted(m_fileName))
                          .arg(m_rowLine)
                          .arg(m_cells.size() + 1);
            return;
        }
        m_field += c;
    }

    void endField()
    {
        if (m_cells.size() < SheetTable::kMaxColumns)
            m_cells.append(m_field);
        else if (!m_field.isEmpty())
            m_table.setColumnsCut();
        m_field.clear();
        m_fieldQuoted = false;
    }

    void endRow(int nextLine)
    {
        endField();
        m_table.appendRow(m_rowLine, std::move(m_cells));
        m_cells = QStringList();
        m_rowLine = nextLine;
    }

    QString m_fileName;
    QString m_error;
    bool m_decided = false;
    QString m_pending; // text before the separator is known
    QChar m_separator = QLatin1Char(',');
    SheetTable m_table;
    QStringList m_cells;
    QString m_field;
    int m_line = 1;    // the line being read
    int m_rowLine = 1; // the line the current row started on
    int m_quoteLine = 0;
    bool m_inQuotes = false;
    bool m_quotePending = false; // a quote inside quotes: closing, or the first of two
    bool m_crInQuotes = false;   // a CR inside quotes, a line of its own unless LF follows
    bool m_crPending = false;    // a CR ended the row; an LF right after belongs to it
    bool m_fieldQuoted = false;
};

Status cancelled()
{
    return Status::failure(ReadProgress::cancelledText());
}

} // namespace

QList<TextEncoding> CsvReader::encodings()
{
    return {TextEncoding::Utf8, TextEncoding::Gb18030, TextEncoding::Big5, TextEncoding::Utf16Le,
            TextEncoding::Utf16Be};
}

QString CsvReader::encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Gb18030:
        return QStringLiteral("GBK/GB18030");
    case TextEncoding::Big5:
        return QStringLiteral("Big5（繁体）");
    case TextEncoding::Utf16Le:
        return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16Be:
        return QStringLiteral("UTF-16BE");
    }
    return QString();
}

Result<TextFileScan> CsvReader::scan(const QString& path, ReadProgress* progress)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("无法打开文件%1：%2").arg(quoted(name), file.errorString()));
    if (file.size() > kMaxFileBytes) {
        return Status::failure(QStringLiteral("文件%1太大（超过 %2 MB），无法导入。")
                                   .arg(quoted(name))
                                   .arg(kMaxFileBytes / (1024 * 1024)));
    }
    if (file.size() == 0)
        return Status::failure(QStringLiteral("文件%1是空的，没有可导入的内容。").arg(quoted(name)));
    Result<TextFileScan> found = scanDevice(file, progress);
    if (found.isOk() && file.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("读取文件%1时出错：%2").arg(quoted(name), file.errorString()));
    return found;
}

TextFileScan CsvReader::scan(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const Result<TextFileScan> found = scanDevice(buffer, nullptr);
    return found.isOk() ? found.value() : TextFileScan{};
}

Result<TextFileScan> CsvReader::scanDevice(QIODevice& device, ReadProgress* progress)
{
    TextFileScan found;
    QByteArray sample;
    Utf8Lines lines;
    for (;;) {
        if (progress && progress->cancelled())
            return cancelled();
        const QByteArray chunk = device.read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        if (sample.size() < kSampleBytes)
            sample += chunk.left(kSampleBytes - sample.size());
        lines.feed(chunk.constData(), chunk.size());
        if (progress)
            progress->add(chunk.size());
    }
    lines.finish();
    found.firstNonUtf8Line = lines.firstNonUtf8Line();
    found.firstChineseUtf8Line = lines.firstChineseLine();

    found.byteOrderMark = true;
    if (sample.startsWith(kUtf8Bom))
        found.encoding = TextEncoding::Utf8;
    else if (sample.startsWith(kUtf16LeBom))
        found.encoding = TextEncoding::Utf16Le;
    else if (sample.startsWith(kUtf16BeBom))
        found.encoding = TextEncoding::Utf16Be;
    else
        found.byteOrderMark = false;
    if (found.byteOrderMark)
        return found;
    if (const std::optional<TextEncoding> utf16 = utf16ByContent(sample))
        found.encoding = *utf16;
    else if (found.firstNonUtf8Line == 0)
        found.encoding = TextEncoding::Utf8;
    else
        found.encoding = chineseCodePage(sample);
    return found;
}

Result<TextTable> CsvReader::read(const QString& path, const TextFileScan& scan, TextEncoding encoding,
                                  ReadProgress* progress)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("无法打开文件%1：%2").arg(quoted(name), file.errorString()));
    Result<TextTable> table = readDevice(file, name, scan, encoding, progress);
    if (table.isOk() && file.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("读取文件%1时出错：%2").arg(quoted(name), file.errorString()));
    return table;
}

Result<SheetTable> CsvReader::parse(const QByteArray& bytes, TextEncoding encoding, const QString& fileName)
{
    if (bytes.isEmpty())
        return Status::failure(QStringLiteral("文件%1是空的，没有可导入的内容。").arg(quoted(fileName)));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const TextFileScan found = scan(bytes);
    Result<TextTable> read = readDevice(buffer, fileName, found, encoding, nullptr);
    if (!read.isOk())
        return Status::failure(read.error());
    if (read.value().undecodableLine > 0) {
        return Status::failure(QStringLiteral("文件%1第%2行含有不属于 %3 编码的文字，无法按这种编码读取。")
                                   .arg(quoted(fileName))
                                   .arg(read.value().undecodableLine)
                                   .arg(encodingName(found.byteOrderMark ? found.encoding : encoding)));
    }
    return read.value().table;
}

Result<TextTable> CsvReader::readDevice(QIODevice& device, const QString& fileName, const TextFileScan& scan,
                                        TextEncoding encoding, ReadProgress* progress)
{
    if (scan.byteOrderMark)
        encoding = scan.encoding; // the mark is skipped by the decoder
    if (!scan.byteOrderMark && !isUtf16(encoding) && scan.firstNonUtf8Line && scan.firstChineseUtf8Line) {
        return Status::failure(QStringLiteral("文件%1中混有两种文字编码：第%2行是 UTF-8，第%3行不是。"
                                              "请在表格软件中把整个文件另存为同一种编码"
                                              "（如“CSV UTF-8”）后再导入。")
                                   .arg(quoted(fileName))
                                   .arg(scan.firstChineseUtf8Line)
                                   .arg(scan.firstNonUtf8Line));
    }

    QStringDecoder decoder(decoderName(encoding));
    Splitter splitter(fileName);
    TextTable result;
    int line = 1; // the line the next decoded text starts on
    bool first = true;
    qint64 bytes = 0;
    const auto take = [&](QString text) {
        if (first && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        first = false;
        if (result.undecodableLine == 0 && decoder.hasError()) {
            const qsizetype bad = text.indexOf(QChar::ReplacementCharacter);
            result.undecodableLine =
                line + static_cast<int>(
                           QStringView(text).first(std::max<qsizetype>(bad, 0)).count(QLatin1Char('\n')));
        }
        line += static_cast<int>(text.count(QLatin1Char('\n')));
        splitter.feed(text);
    };
    for (;;) {
        if (progress && progress->cancelled())
            return cancelled();
        const QByteArray chunk = device.read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        bytes += chunk.size();
        if (!isUtf16(encoding) && chunk.contains('\0')) {
            return Status::failure(
                QStringLiteral("文件%1不是文本格式的表格（CSV），无法读取。").arg(quoted(fileName)));
        }
        take(decoder.decode(chunk));
        if (progress)
            progress->add(chunk.size());
    }
    // A character cut off by the end of the file shows once the decoder meets the line end after it.
    if (isUtf16(encoding)) {
        if (bytes % 2 != 0 && result.undecodableLine == 0)
            result.undecodableLine = line;
    } else {
        take(decoder.decode(QByteArrayView("\n")));
    }
    Result<SheetTable> table = splitter.finish();
    if (!table.isOk())
        return Status::failure(table.error());
    result.table = std::move(table.value());
    return result;
}

Result<SheetTable> CsvReader::split(const QString& text, const QString& fileName)
{
    Splitter splitter(fileName);
    splitter.feed(text);
    return splitter.finish();
}
