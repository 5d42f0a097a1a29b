#include "core/cards/VerticalText.h"

#include <QChar>

#include <array>
#include <utility>

namespace {

// Mark and vertical form, as the CJK vertical form blocks (U+FE10, U+FE30) give them. Chinese
// vertical setting writes quotation marks as corner brackets, and the dash and ellipsis upright.
constexpr std::array<std::pair<char32_t, char32_t>, 37> kForms{{
    {U'，', U'︐'}, {U'、', U'︑'}, {U'。', U'︒'}, {U'：', U'︓'}, {U'；', U'︔'}, {U'！', U'︕'},
    {U'？', U'︖'}, {U'〖', U'︗'}, {U'〗', U'︘'}, {U'…', U'︙'},  {U'‥', U'︰'},  {U'—', U'︱'},
    {U'–', U'︲'},  {U'＿', U'︳'}, {U'（', U'︵'}, {U'）', U'︶'}, {U'｛', U'︷'}, {U'｝', U'︸'},
    {U'〔', U'︹'}, {U'〕', U'︺'}, {U'【', U'︻'}, {U'】', U'︼'}, {U'《', U'︽'}, {U'》', U'︾'},
    {U'〈', U'︿'}, {U'〉', U'﹀'}, {U'「', U'﹁'}, {U'」', U'﹂'}, {U'『', U'﹃'}, {U'』', U'﹄'},
    {U'［', U'﹇'}, {U'］', U'﹈'}, {U'“', U'﹁'},  {U'”', U'﹂'},  {U'‘', U'﹃'},  {U'’', U'﹄'},
    {U'～', U'︴'},
}};

// Code point ranges of characters that stand upright in a column.
constexpr std::array<std::pair<char32_t, char32_t>, 22> kUpright{{
    {0x1100, 0x11FF},   // Hangul Jamo
    {0x2460, 0x24FF},   // enclosed alphanumerics: ① ⑴
    {0x25A0, 0x27BF},   // geometric shapes, symbols, dingbats: ○ ★ ❤
    {0x2E80, 0x2FFF},   // CJK radicals, Kangxi radicals, ideographic description
    {0x3000, 0x303F},   // CJK symbols and punctuation
    {0x3040, 0x9FFF},   // kana, bopomofo, hangul compatibility, enclosed CJK, ideographs
    {0xA000, 0xA4CF},   // Yi
    {0xA960, 0xA97F},   // Hangul Jamo extended
    {0xAC00, 0xD7FF},   // Hangul syllables
    {0xF900, 0xFAFF},   // CJK compatibility ideographs
    {0xFE10, 0xFE1F},   // vertical forms
    {0xFE30, 0xFE4F},   // CJK compatibility forms
    {0xFF01, 0xFF60},   // full-width forms
    {0xFFE0, 0xFFE6},   // full-width signs
    {0x1B000, 0x1B16F}, // kana supplement and extensions
    {0x1F000, 0x1F0FF}, // mahjong, domino and playing cards
    {0x1F100, 0x1F2FF}, // enclosed alphanumerics and ideographs
    {0x1F300, 0x1F64F}, // pictographs and emoticons
    {0x1F680, 0x1F6FF}, // transport and map symbols
    {0x1F900, 0x1FAFF}, // supplemental symbols and pictographs
    {0x20000, 0x2FFFF}, // ideographs, extensions B to F and supplement
    {0x30000, 0x3FFFF}, // ideographs, extensions G and H
}};

// Characters that belong to the one before them: combining marks, variation selectors, joiners.
bool joinsPrevious(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        break;
    }
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) || c == 0x200D;
}

bool isGap(char32_t c)
{
    return c != 0x3000 && QChar::isSpace(c);
}

// The code point at `i` of `text` and the number of UTF-16 units it takes.
std::pair<char32_t, int> codePointAt(const QString& text, int i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text.at(i + 1)), 2};
    return {c.unicode(), 1};
}

} // namespace

namespace VerticalText {

bool isUpright(char32_t c)
{
    for (const auto& [first, last] : kUpright) {
        if (c < first)
            return false;
        if (c <= last)
            return true;
    }
    return false;
}

char32_t verticalForm(char32_t c)
{
    for (const auto& [mark, form] : kForms) {
        if (mark == c)
            return form;
    }
    return c;
}

QString withVerticalForms(const QString& line,
                          const std::function<bool(char32_t mark, char32_t form)>& drawable)
{
    QString result = line;
    for (int i = 0; i < result.size(); ++i) {
        const char16_t c = result.at(i).unicode();
        const char32_t form = verticalForm(c);
        // Every mark and form lies in the basic plane: one unit is replaced by one.
        if (form != c && drawable(c, form))
            result[i] = QChar(static_cast<char16_t>(form));
    }
    return result;
}

QList<Piece> pieces(const QString& line)
{
    QList<Piece> found;
    const int size = static_cast<int>(line.size());
    int i = 0;
    while (i < size) {
        const auto [c, units] = codePointAt(line, i);
        if (isGap(c)) {
            found.append({PieceKind::Space, i, units});
            i += units;
            continue;
        }
        if (isUpright(c) || (joinsPrevious(c) && found.isEmpty())) {
            int end = i + units;
            while (end < size && joinsPrevious(codePointAt(line, end).first))
                end += codePointAt(line, end).second;
            found.append({PieceKind::Upright, i, end - i});
            i = end;
            continue;
        }
        // A run of what is not upright; spaces inside it belong to it, spaces at its end do not.
        int end = i;
        int runEnd = i;
        int characters = 0;
        int runCharacters = 0;
        bool letterOrDigit = false;
        bool runLetterOrDigit = false;
        while (end < size) {
            const auto [next, nextUnits] = codePointAt(line, end);
            if (isUpright(next))
                break;
            end += nextUnits;
            if (joinsPrevious(next))
                continue;
            ++characters;
            letterOrDigit = letterOrDigit || QChar::isLetterOrNumber(next);
            if (!isGap(next)) {
                runEnd = end;
                runCharacters = characters;
                runLetterOrDigit = letterOrDigit;
            }
        }
        while (runEnd < size && joinsPrevious(codePointAt(line, runEnd).first))
            runEnd += codePointAt(line, runEnd).second;
        // Up to two characters with a letter or digit stand in one cell; anything longer, or a lone
        // mark such as a hyphen, lies along the column.
        const PieceKind kind = runCharacters <= 2 && runLetterOrDigit ? PieceKind::Paired : PieceKind::Turned;
        found.append({kind, i, runEnd - i});
        i = runEnd;
    }
    return found;
}

} // namespace VerticalText
