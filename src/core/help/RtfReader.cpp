#include "core/help/RtfReader.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr int WesternCodePage = 1252;
constexpr int Utf8CodePage = 65001;
constexpr int MaxTableEntries = 1000;  // fonts or colours; real documents have a few dozen
constexpr int MaxWordLength = 32;      // longer control words are not ours and are ignored
constexpr int MaxTwips = 31680;        // 22 inches: bounds indents and spacing
constexpr double TwipsPerPixel = 15.0; // at 96 dots per inch
constexpr int MaxUnbrokenRun = 200;    // longer than any word or address in a help text
constexpr int MaxBlockLength = RtfReader::MaxBlockLength;

enum class Dest : unsigned char
{
    Text,
    FontTable,
    ColourTable,
    Skip
};

struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int colour = 0; // 0: automatic

    bool operator==(const CharState& o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline && strike == o.strike &&
               font == o.font && halfPoints == o.halfPoints && colour == o.colour;
    }
    bool operator!=(const CharState& o) const { return !(*this == o); }
};

struct ParaState
{
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
};

struct GroupState
{
    Dest dest = Dest::Text;
    CharState chr;
    ParaState para;
    int uc = 1; // characters that stand in for each \uN
};

struct FontEntry
{
    QString name;
    int codePage = 0; // 0: the document's code page
};

// The control words the reader acts on. Everything else is ignored.
enum class Word
{
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Page,
    Sect,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    Plain,
    Pard,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    F,
    Fs,
    Cf,
    Deff,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    U,
    Uc,
    Bin,
    FCharset,
    Cpg,
    Red,
    Green,
    Blue,
    FontTbl,
    ColorTbl,
    Destination,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace
};

struct WordEntry
{
    std::string_view name;
    Word word;
};

// Sorted by name for binary search.
constexpr WordEntry Words[] = {
    {"annotation", Word::Destination},
    {"ansi", Word::Ansi},
    {"ansicpg", Word::AnsiCpg},
    {"atnid", Word::Destination},
    {"author", Word::Destination},
    {"b", Word::B},
    {"bin", Word::Bin},
    {"blue", Word::Blue},
    {"bullet", Word::Bullet},
    {"buptim", Word::Destination},
    {"cell", Word::Cell},
    {"cf", Word::Cf},
    {"colortbl", Word::ColorTbl},
    {"comment", Word::Destination},
    {"company", Word::Destination},
    {"cpg", Word::Cpg},
    {"creatim", Word::Destination},
    {"datastore", Word::Destination},
    {"deff", Word::Deff},
    {"doccomm", Word::Destination},
    {"emdash", Word::EmDash},
    {"emspace", Word::EmSpace},
    {"endash", Word::EnDash},
    {"enspace", Word::EnSpace},
    {"f", Word::F},
    {"fcharset", Word::FCharset},
    {"fi", Word::Fi},
    {"filetbl", Word::Destination},
    {"fldinst", Word::Destination},
    {"fonttbl", Word::FontTbl},
    {"footer", Word::Destination},
    {"footerf", Word::Destination},
    {"footerl", Word::Destination},
    {"footerr", Word::Destination},
    {"footnote", Word::Destination},
    {"fs", Word::Fs},
    {"ftncn", Word::Destination},
    {"ftnsep", Word::Destination},
    {"ftnsepc", Word::Destination},
    {"generator", Word::Destination},
    {"green", Word::Green},
    {"header", Word::Destination},
    {"headerf", Word::Destination},
    {"headerl", Word::Destination},
    {"headerr", Word::Destination},
    {"i", Word::I},
    {"info", Word::Destination},
    {"keywords", Word::Destination},
    {"latentstyles", Word::Destination},
    {"ldblquote", Word::LDblQuote},
    {"li", Word::Li},
    {"line", Word::Line},
    {"listoverridetable", Word::Destination},
    {"listtable", Word::Destination},
    {"lquote", Word::LQuote},
    {"mac", Word::Mac},
    {"nestcell", Word::Cell},
    {"nestrow", Word::Row},
    {"nonshppict", Word::Destination},
    {"object", Word::Destination},
    {"operator", Word::Destination},
    {"page", Word::Page},
    {"par", Word::Par},
    {"pard", Word::Pard},
    {"pc", Word::Pc},
    {"pca", Word::Pca},
    {"pict", Word::Destination},
    {"plain", Word::Plain},
    {"printim", Word::Destination},
    {"qc", Word::Qc},
    {"qj", Word::Qj},
    {"ql", Word::Ql},
    {"qr", Word::Qr},
    {"rdblquote", Word::RDblQuote},
    {"red", Word::Red},
    {"revtbl", Word::Destination},
    {"revtim", Word::Destination},
    {"ri", Word::Ri},
    {"row", Word::Row},
    {"rquote", Word::RQuote},
    {"rsidtbl", Word::Destination},
    {"rxe", Word::Destination},
    {"sa", Word::Sa},
    {"sb", Word::Sb},
    {"sect", Word::Sect},
    {"shp", Word::Destination},
    {"strike", Word::Strike},
    {"stylesheet", Word::Destination},
    {"subject", Word::Destination},
    {"tab", Word::Tab},
    {"tc", Word::Destination},
    {"template", Word::Destination},
    {"title", Word::Destination},
    {"txe", Word::Destination},
    {"u", Word::U},
    {"uc", Word::Uc},
    {"ul", Word::Ul},
    {"uld", Word::Ul},
    {"uldash", Word::Ul},
    {"uldb", Word::Ul},
    {"ulnone", Word::UlNone},
    {"ulth", Word::Ul},
    {"ulw", Word::Ul},
    {"ulwave", Word::Ul},
    {"xe", Word::Destination},
};

const WordEntry* findWord(std::string_view name)
{
    // The table sorted by name, narrowed to the words that share the first letter.
    struct Range
    {
        const WordEntry* begin = nullptr;
        const WordEntry* end = nullptr;
    };
    static const std::array<Range, 26> byLetter = [] {
        Q_ASSERT(std::is_sorted(std::begin(Words), std::end(Words),
                                [](const WordEntry& a, const WordEntry& b) { return a.name < b.name; }));
        std::array<Range, 26> ranges{};
        for (const WordEntry& e : Words) {
            Range& r = ranges[static_cast<size_t>(e.name[0] - 'a')];
            if (!r.begin)
                r.begin = &e;
            r.end = &e + 1;
        }
        return ranges;
    }();
    if (name.empty() || name[0] < 'a' || name[0] > 'z')
        return nullptr;
    const Range& r = byLetter[static_cast<size_t>(name[0] - 'a')];
    const WordEntry* it = std::lower_bound(r.begin, r.end, name,
                                           [](const WordEntry& e, std::string_view n) { return e.name < n; });
    return (it && it != r.end && it->name == name) ? it : nullptr;
}

// The code page a font's character set stands for; 0 for the document's own.
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // 1 (default) and 2 (symbol) follow the document
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Bytes that are text as they stand: not a brace, backslash, line end or other control character.
bool isPlainText(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x20 || c == '\t') && c != '{' && c != '}' && c != '\\';
}

class Parser
{
public:
    Parser(const QByteArray& data, QTextDocument& document)
        : m_data(data.constData()), m_size(data.size()), m_doc(document), m_cursor(&document)
    {
    }

    RtfReadReport run();

private:
    GroupState& top() { return m_stack.back(); }

    void openGroup();
    void closeGroup();
    void controlSequence();
    void controlWord(std::string_view name, bool hasParam, int param);
    void controlSymbol(char c);
    void skipBinary(int count);
    void textByte(char c);

    bool consumeSkip();
    void flushBytes();
    void deliver(const QString& text);
    void appendText(const QString& text);
    void appendChar(char32_t ucs4);
    void prepareText();
    void pushChar(QChar ch);
    static bool isContent(char16_t u);
    void flushText();
    void endParagraph();
    void continueInNewBlock();
    QTextBlockFormat currentBlockFormat() const;
    void commitFont();
    void commitColour();

    int codePageForBytes() const;
    QStringDecoder* decoderFor(int codePage);
    QTextCharFormat charFormat(const CharState& s);
    static QTextBlockFormat blockFormat(const ParaState& p);

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    QTextDocument& m_doc;
    QTextCursor m_cursor;
    RtfReadReport m_report;
    bool m_stopped = false;

    std::vector<GroupState> m_stack;
    int m_excessDepth = 0;    // groups opened past MaxDepth, sharing the deepest state
    int m_skipRemaining = 0;  // characters still to skip after a \uN
    bool m_ignorable = false; // the last control symbol was \*

    int m_docCodePage = WesternCodePage;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    std::vector<QColor> m_colours; // index 0 and invalid colours mean automatic
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;

    // The font-table entry being read.
    int m_fontNumber = 0;
    int m_fontCodePage = 0;
    QString m_fontName;
    bool m_fontPending = false;
    // The colour-table entry being read.
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSet = false;

    QByteArray m_bytes; // code-page bytes not yet decoded
    QString m_text;     // decoded text not yet in the document, in format m_textState
    CharState m_textState;
    bool m_haveTextState = false;
    CharState m_formatState; // the state m_format was built from
    QTextCharFormat m_format;
    bool m_haveFormat = false;
    int m_formatRuns = 0;
    int m_unbroken = 0; // characters since the last place a line may break
    int m_paragraphs = 0;
    int m_blockLength = 0;     // characters in the current block
    bool m_continuing = false; // the current block continues a paragraph split for its length
};

RtfReadReport Parser::run()
{
    qsizetype start = 0;
    if (m_size >= 3 && std::memcmp(m_data, "\xEF\xBB\xBF", 3) == 0)
        start = 3;
    while (start < m_size &&
           (m_data[start] == ' ' || m_data[start] == '\t' || m_data[start] == '\r' || m_data[start] == '\n'))
        ++start;
    if (m_size - start < 5 || std::memcmp(m_data + start, "{\\rtf", 5) != 0)
        return m_report;
    m_report.isRtf = true;
    m_pos = start;
    m_stack.reserve(RtfReader::MaxDepth + 1);
    m_stack.emplace_back(); // outside the outermost group

    while (m_pos < m_size && !m_stopped) {
        const char c = m_data[m_pos];
        if (top().dest == Dest::Skip && c != '{' && c != '}' && c != '\\') {
            ++m_pos; // skipped destinations are passed over byte by byte, without decoding
            continue;
        }
        switch (c) {
        case '{':
            ++m_pos;
            openGroup();
            break;
        case '}':
            ++m_pos;
            closeGroup();
            break;
        case '\\':
            controlSequence();
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            if (m_skipRemaining == 0 && top().dest == Dest::Text) {
                // A run of ordinary text goes into the pending bytes in one piece.
                qsizetype end = m_pos;
                while (end < m_size && isPlainText(m_data[end]))
                    ++end;
                if (end > m_pos) {
                    m_bytes.append(m_data + m_pos, end - m_pos);
                    m_pos = end;
                    break;
                }
            }
            ++m_pos;
            textByte(c);
            break;
        }
    }

    flushText();
    m_cursor.setBlockFormat(currentBlockFormat());
    return m_report;
}

void Parser::openGroup()
{
    flushBytes();
    m_skipRemaining = 0;
    if (static_cast<int>(m_stack.size()) > RtfReader::MaxDepth) {
        ++m_excessDepth;
        m_report.limited = true;
    } else {
        m_stack.push_back(m_stack.back());
    }
}

void Parser::closeGroup()
{
    flushBytes();
    m_skipRemaining = 0;
    m_ignorable = false;
    if (m_excessDepth > 0) {
        --m_excessDepth;
        return;
    }
    const Dest closing = top().dest;
    if (closing == Dest::FontTable)
        commitFont();
    m_stack.pop_back();
    if (m_stack.size() <= 1) {
        m_report.complete = true; // text after the outermost group is not part of the document
        m_stopped = true;
    }
}

void Parser::controlSequence()
{
    ++m_pos; // the backslash
    if (m_pos >= m_size)
        return;
    const char first = m_data[m_pos];
    if (!isLetter(first)) {
        ++m_pos;
        controlSymbol(first);
        return;
    }
    const qsizetype nameStart = m_pos;
    while (m_pos < m_size && isLetter(m_data[m_pos]))
        ++m_pos;
    const std::string_view name(m_data + nameStart, static_cast<size_t>(m_pos - nameStart));

    bool hasParam = false;
    bool negative = false;
    long long value = 0;
    if (m_pos < m_size && m_data[m_pos] == '-' && m_pos + 1 < m_size && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    while (m_pos < m_size && isDigit(m_data[m_pos])) {
        hasParam = true;
        value = std::min<long long>(value * 10 + (m_data[m_pos] - '0'), 1LL << 40);
        ++m_pos;
    }
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos; // the delimiter belongs to the control word
    value = std::min<long long>(value, INT32_MAX);
    const int param = static_cast<int>(negative ? -value : value);

    if (consumeSkip()) {
        // A control word standing in for a \uN character counts as one character; \bin data with it.
        if (name == "bin")
            skipBinary(hasParam ? param : 0);
        return;
    }
    if (name.size() > MaxWordLength) {
        if (m_ignorable && top().dest != Dest::Skip) {
            flushBytes();
            top().dest = Dest::Skip;
        }
        m_ignorable = false;
        return;
    }
    controlWord(name, hasParam, param);
}

void Parser::controlSymbol(char c)
{
    if (c == '\'') {
        // \'hh: one byte in the current code page.
        int byte = -1;
        if (m_pos + 1 < m_size) {
            const int hi = hexValue(m_data[m_pos]);
            const int lo = hexValue(m_data[m_pos + 1]);
            if (hi >= 0 && lo >= 0) {
                byte = hi * 16 + lo;
                m_pos += 2;
            }
        }
        if (byte < 0 || consumeSkip() || top().dest == Dest::Skip)
            return;
        if (byte >= 0x20 || byte == '\t')
            m_bytes.append(static_cast<char>(byte));
        return;
    }
    if (c == '\r' || c == '\n') { // a backslash before a line end is a paragraph mark
        if (!consumeSkip() && top().dest == Dest::Text)
            endParagraph();
        return;
    }
    if (consumeSkip() || top().dest == Dest::Skip) {
        if (c == '*')
            m_ignorable = false;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        m_bytes.append(c);
        break;
    case '*':
        m_ignorable = true; // the next control word opens a destination we may skip
        break;
    case '~':
        appendChar(0x00A0);
        break;
    case '_':
        appendChar(0x2011);
        break;
    case '-': // optional hyphen: shown only where a line breaks, so not at all here
    default:
        break;
    }
}

void Parser::controlWord(std::string_view name, bool hasParam, int param)
{
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    const WordEntry* entry = findWord(name);
    GroupState& g = top();

    if (g.dest == Dest::Skip) {
        if (entry && entry->word == Word::Bin)
            skipBinary(hasParam ? param : 0);
        return;
    }
    if (!entry) {
        if (ignorable) { // {\*\unknown ...}: a destination this reader does not know
            flushBytes();
            g.dest = Dest::Skip;
        }
        return;
    }
    if (entry->word != Word::U && entry->word != Word::Bin)
        flushBytes();

    CharState& chr = g.chr;
    ParaState& para = g.para;
    const auto clampTwips = [&](int low) { return std::clamp(hasParam ? param : 0, low, MaxTwips); };
    switch (entry->word) {
    case Word::Par:
    case Word::Page:
    case Word::Sect:
    case Word::Row:
        if (g.dest == Dest::Text)
            endParagraph();
        break;
    case Word::Line:
        appendChar(QChar::LineSeparator);
        break;
    case Word::Tab:
    case Word::Cell:
        appendChar('\t');
        break;
    case Word::B:
        chr.bold = !hasParam || param != 0;
        break;
    case Word::I:
        chr.italic = !hasParam || param != 0;
        break;
    case Word::Ul:
        chr.underline = !hasParam || param != 0;
        break;
    case Word::UlNone:
        chr.underline = false;
        break;
    case Word::Strike:
        chr.strike = !hasParam || param != 0;
        break;
    case Word::Plain:
        chr = CharState();
        break;
    case Word::Pard:
        para = ParaState();
        break;
    case Word::Ql:
        para.align = Qt::AlignLeft;
        break;
    case Word::Qc:
        para.align = Qt::AlignHCenter;
        break;
    case Word::Qr:
        para.align = Qt::AlignRight;
        break;
    case Word::Qj:
        para.align = Qt::AlignJustify;
        break;
    case Word::Li:
        para.left = clampTwips(0);
        break;
    case Word::Ri:
        para.right = clampTwips(0);
        break;
    case Word::Fi:
        para.first = clampTwips(-MaxTwips);
        break;
    case Word::Sb:
        para.before = clampTwips(0);
        break;
    case Word::Sa:
        para.after = clampTwips(0);
        break;
    case Word::F:
        if (g.dest == Dest::FontTable) {
            commitFont();
            m_fontNumber = param;
            m_fontPending = true;
        } else {
            chr.font = param;
        }
        break;
    case Word::Fs:
        chr.halfPoints = hasParam ? std::clamp(param, 2, 1000) : 24;
        break;
    case Word::Cf:
        chr.colour = std::max(param, 0);
        break;
    case Word::Deff:
        m_defaultFont = param;
        break;
    case Word::Ansi:
        m_docCodePage = WesternCodePage;
        break;
    case Word::Mac:
        m_docCodePage = 10000;
        break;
    case Word::Pc:
        m_docCodePage = 437;
        break;
    case Word::Pca:
        m_docCodePage = 850;
        break;
    case Word::AnsiCpg:
        if (hasParam && param > 0)
            m_docCodePage = param;
        break;
    case Word::U:
        if (hasParam) {
            long long code = param < 0 ? param + 65536LL : param;
            if (code >= 0 && code <= 0x10FFFF) {
                flushBytes();
                appendChar(static_cast<char32_t>(code));
            }
        }
        m_skipRemaining = g.uc;
        break;
    case Word::Uc:
        g.uc = std::clamp(hasParam ? param : 1, 0, 255);
        break;
    case Word::Bin:
        skipBinary(hasParam ? param : 0);
        break;
    case Word::FCharset:
        if (g.dest == Dest::FontTable && m_fontCodePage == 0)
            m_fontCodePage = codePageOfCharset(param);
        break;
    case Word::Cpg:
        if (g.dest == Dest::FontTable && hasParam && param > 0)
            m_fontCodePage = param;
        break;
    case Word::Red:
        m_red = std::clamp(param, 0, 255);
        m_colourSet = true;
        break;
    case Word::Green:
        m_green = std::clamp(param, 0, 255);
        m_colourSet = true;
        break;
    case Word::Blue:
        m_blue = std::clamp(param, 0, 255);
        m_colourSet = true;
        break;
    case Word::FontTbl:
        g.dest = Dest::FontTable;
        m_fontPending = false;
        break;
    case Word::ColorTbl:
        g.dest = Dest::ColourTable;
        m_colourSet = false;
        break;
    case Word::Destination:
        g.dest = Dest::Skip;
        break;
    case Word::EmDash:
        appendChar(0x2014);
        break;
    case Word::EnDash:
        appendChar(0x2013);
        break;
    case Word::Bullet:
        appendChar(0x2022);
        break;
    case Word::LQuote:
        appendChar(0x2018);
        break;
    case Word::RQuote:
        appendChar(0x2019);
        break;
    case Word::LDblQuote:
        appendChar(0x201C);
        break;
    case Word::RDblQuote:
        appendChar(0x201D);
        break;
    case Word::EmSpace:
        appendChar(0x2003);
        break;
    case Word::EnSpace:
        appendChar(0x2002);
        break;
    }
}

void Parser::skipBinary(int count)
{
    // Binary data is never text; a count past the end means the data was cut off.
    const qsizetype n = std::max(count, 0);
    m_pos = std::min(m_size, m_pos + n);
}

void Parser::textByte(char c)
{
    if (consumeSkip())
        return;
    const Dest dest = top().dest;
    if (dest == Dest::ColourTable) {
        if (c == ';')
            commitColour();
        return;
    }
    if (dest == Dest::FontTable && c == ';') {
        flushBytes();
        commitFont();
        return;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 || c == '\t')
        m_bytes.append(c);
}

bool Parser::consumeSkip()
{
    if (m_skipRemaining <= 0)
        return false;
    --m_skipRemaining;
    return true;
}

int Parser::codePageForBytes() const
{
    const GroupState& g = m_stack.back();
    if (g.dest == Dest::FontTable)
        return m_fontCodePage != 0 ? m_fontCodePage : m_docCodePage;
    const auto it = m_fonts.constFind(g.chr.font >= 0 ? g.chr.font : m_defaultFont);
    if (it != m_fonts.constEnd() && it->codePage != 0)
        return it->codePage;
    return m_docCodePage;
}

QStringDecoder* Parser::decoderFor(int codePage)
{
    auto it = m_decoders.find(codePage);
    if (it != m_decoders.end())
        return it->second.get();
    const auto flags = QStringConverter::Flag::Stateless;
    std::unique_ptr<QStringDecoder> decoder;
    if (codePage == Utf8CodePage) {
        decoder = std::make_unique<QStringDecoder>(QStringConverter::Utf8, flags);
    } else {
        for (const QString& name : {QStringLiteral("windows-%1"), QStringLiteral("cp%1")}) {
            decoder = std::make_unique<QStringDecoder>(name.arg(codePage).toLatin1().constData(), flags);
            if (decoder->isValid())
                break;
        }
        if (!decoder->isValid() && codePage != WesternCodePage)
            return decoderFor(WesternCodePage); // an unknown code page reads as Western
        if (!decoder->isValid())
            decoder = std::make_unique<QStringDecoder>(QStringConverter::Latin1, flags);
    }
    QStringDecoder* result = decoder.get();
    m_decoders.emplace(codePage, std::move(decoder));
    return result;
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const bool ascii = std::all_of(m_bytes.cbegin(), m_bytes.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QString text;
    if (ascii) {
        text = QString::fromLatin1(m_bytes);
    } else {
        QStringDecoder* decoder = decoderFor(codePageForBytes());
        decoder->resetState();
        text = decoder->decode(m_bytes);
    }
    m_bytes.clear();
    deliver(text);
}

void Parser::deliver(const QString& text)
{
    switch (top().dest) {
    case Dest::Text:
        appendText(text);
        break;
    case Dest::FontTable:
        if (m_fontName.size() < 256)
            m_fontName += text.left(256);
        break;
    case Dest::ColourTable:
    case Dest::Skip:
        break;
    }
}

void Parser::appendChar(char32_t ucs4)
{
    flushBytes();
    if (top().dest != Dest::Text) {
        deliver(QString::fromUcs4(&ucs4, 1));
        return;
    }
    // One character at a time is the common case of \uN text; it goes straight into the pending run.
    prepareText();
    if (QChar::requiresSurrogates(ucs4)) {
        pushChar(QChar(QChar::highSurrogate(ucs4)));
        pushChar(QChar(QChar::lowSurrogate(ucs4)));
    } else {
        pushChar(QChar(static_cast<char16_t>(ucs4)));
    }
}

void Parser::pushChar(QChar ch)
{
    char16_t u = ch.unicode();
    if (u == QChar::ParagraphSeparator)
        u = QChar::LineSeparator;
    else if (!isContent(u))
        return;
    m_text.append(QChar(u));
    // Text laid out in one line without a place to break takes time that grows with the square of
    // its length; a long run of letters without a space or an ideograph gets an invisible break.
    bool breakable = false;
    if (u == ' ' || u == '\t' || u == QChar::LineSeparator || u >= 0x2E80) {
        m_unbroken = 0;
        breakable = !QChar::isHighSurrogate(u);
    } else if (++m_unbroken >= MaxUnbrokenRun) {
        m_text.append(QChar(0x200B));
        m_unbroken = 0;
        breakable = true;
    }
    if (++m_blockLength >= MaxBlockLength && breakable)
        continueInNewBlock();
}

void Parser::prepareText()
{
    const CharState& state = top().chr;
    if (m_haveTextState && state != m_textState && !m_text.isEmpty()) {
        if (m_formatRuns < RtfReader::MaxFormatRuns) {
            flushText();
            ++m_formatRuns;
        } else {
            m_report.limited = true; // the rest keeps the format it had
        }
    }
    if (m_text.isEmpty() && m_formatRuns < RtfReader::MaxFormatRuns) {
        m_textState = state;
        m_haveTextState = true;
    }
}

// Characters the document model reserves for its own structure, and control characters, are never
// content of a help text.
bool Parser::isContent(char16_t u)
{
    return (u >= 0x20 || u == '\t') && u != 0xFDD0 && u != 0xFDD1 && u != 0xFFFC && u != 0xFFFE &&
           u != 0xFFFF;
}

void Parser::appendText(const QString& text)
{
    prepareText();
    for (const QChar ch : text)
        pushChar(ch);
}

void Parser::flushText()
{
    flushBytes();
    if (m_text.isEmpty())
        return;
    m_cursor.insertText(m_text, charFormat(m_textState));
    m_text.clear();
}

void Parser::endParagraph()
{
    flushText();
    if (m_paragraphs >= RtfReader::MaxParagraphs) {
        m_report.limited = true;
        m_stopped = true;
        return;
    }
    ++m_paragraphs;
    m_unbroken = 0;
    m_cursor.setBlockFormat(currentBlockFormat());
    m_cursor.insertBlock(QTextBlockFormat(), charFormat(top().chr));
    m_blockLength = 0;
    m_continuing = false;
}

void Parser::continueInNewBlock()
{
    // The pending text is already decoded (pushChar runs on decoded text), so it goes in as it is.
    if (!m_text.isEmpty()) {
        m_cursor.insertText(m_text, charFormat(m_textState));
        m_text.clear();
    }
    QTextBlockFormat format = currentBlockFormat();
    format.setBottomMargin(0);
    m_cursor.setBlockFormat(format);
    m_cursor.insertBlock(QTextBlockFormat(), charFormat(m_textState));
    m_blockLength = 0;
    m_continuing = true;
}

QTextBlockFormat Parser::currentBlockFormat() const
{
    QTextBlockFormat format = blockFormat(m_stack.back().para);
    if (m_continuing) {
        format.setTopMargin(0);
        format.setTextIndent(0);
    }
    return format;
}

void Parser::commitFont()
{
    if (!m_fontPending)
        return;
    QString name = m_fontName.trimmed();
    if (m_fonts.size() < MaxTableEntries || m_fonts.contains(m_fontNumber))
        m_fonts.insert(m_fontNumber, FontEntry{name, m_fontCodePage});
    m_fontPending = false;
    m_fontName.clear();
    m_fontCodePage = 0;
    m_haveFormat = false; // formats built before may name this font
}

void Parser::commitColour()
{
    if (static_cast<int>(m_colours.size()) < MaxTableEntries)
        m_colours.push_back(m_colourSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colourSet = false;
    m_haveFormat = false;
}

QTextCharFormat Parser::charFormat(const CharState& s)
{
    if (m_haveFormat && s == m_formatState)
        return m_format;
    QTextCharFormat f;
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strike);
    f.setFontPointSize(s.halfPoints / 2.0);
    const auto font = m_fonts.constFind(s.font >= 0 ? s.font : m_defaultFont);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        f.setFontFamilies(QStringList{font->name});
    if (s.colour > 0 && s.colour < static_cast<int>(m_colours.size()) && m_colours[s.colour].isValid())
        f.setForeground(m_colours[s.colour]);
    m_format = f;
    m_formatState = s;
    m_haveFormat = true;
    return f;
}

QTextBlockFormat Parser::blockFormat(const ParaState& p)
{
    QTextBlockFormat f;
    f.setAlignment(p.align);
    f.setLeftMargin(p.left / TwipsPerPixel);
    f.setRightMargin(p.right / TwipsPerPixel);
    f.setTextIndent(p.first / TwipsPerPixel);
    f.setTopMargin(p.before / TwipsPerPixel);
    f.setBottomMargin(p.after / TwipsPerPixel);
    return f;
}

} // namespace

RtfReadReport RtfReader::read(const QByteArray& rtf, QTextDocument& document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // an undo history would double the memory of a large file
    document.clear();
    RtfReadReport report;
    {
        QTextCursor edit(&document);
        edit.beginEditBlock();
        report = Parser(rtf, document).run();
        edit.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
    return report;
}
