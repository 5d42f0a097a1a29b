// The rules of text set in columns (竖排): which characters stand upright, which CJK punctuation
// takes its vertical form, and how a column falls into cells. Western words and numbers of three or
// more characters lie turned 90° clockwise along the column; one or two digits stand upright
// together in one cell, so that 8 桌 and 28 日 read as they do in print.
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace VerticalText {

enum class PieceKind
{
    Upright, // one character (with its marks) in a cell of its own
    Turned,  // a run lying along the column, turned 90° clockwise
    Paired,  // one or two characters standing upright together in one cell
    Space,   // a space between pieces: as long down the column as it is wide in a line
};

/// A piece of a column: `length` UTF-16 units from `from`.
struct Piece
{
    PieceKind kind = PieceKind::Upright;
    int from = 0;
    int length = 0;

    bool operator==(const Piece& other) const
    {
        return kind == other.kind && from == other.from && length == other.length;
    }
};

/// Whether a character stands upright in a column: ideographs, kana, hangul, full-width forms,
/// CJK punctuation and symbols. Everything else belongs to a run that lies along the column.
bool isUpright(char32_t c);

/// The vertical presentation form of a CJK punctuation mark (、。，：；「」（） and the like, and the
/// quotation marks and dashes Chinese text uses); the character itself when it has none.
char32_t verticalForm(char32_t c);

/// `line` with every punctuation mark that has a vertical form replaced by it, where `drawable`
/// says the form can be drawn in place of the mark. Every other character stays.
QString withVerticalForms(const QString& line,
                          const std::function<bool(char32_t mark, char32_t form)>& drawable);

/// The pieces of one column, in order; they cover the line except nothing for an empty line.
QList<Piece> pieces(const QString& line);

} // namespace VerticalText
