// How a text sits at its position: which edge or middle of it the position names, the width it must
// keep within, and whether it is set in columns (竖排). Stored with each label and with the
// guest-name setting; the defaults draw a text exactly as cards were always drawn.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// What a text's position names: the left edge, the middle or the right edge of its first line; in
/// columns, the top, the middle or the bottom of its first column. Each further line (column) is
/// aligned the same way.
enum class TextAnchor
{
    Left = 0,
    Centre = 1,
    Right = 2,
};

struct TextPlacement
{
    TextAnchor anchor = TextAnchor::Left;
    /// Millimetres the text may take along its lines (down its columns when vertical); 0 for no
    /// limit. A longer text is drawn smaller, step by step, down to kSmallestFitShare of its size.
    double fitWidthMm = 0;
    bool vertical = false;

    bool hasFitWidth() const { return fitWidthMm > 0; }
    /// True for the placement every text had before placements existed.
    bool isPlain() const { return anchor == TextAnchor::Left && !hasFitWidth() && !vertical; }
    bool operator==(const TextPlacement& other) const
    {
        return anchor == other.anchor && fitWidthMm == other.fitWidthMm && vertical == other.vertical;
    }
    bool operator!=(const TextPlacement& other) const { return !(*this == other); }
};

namespace Placement {

/// A text with a fit width is never drawn smaller than this share of its size.
inline constexpr double kSmallestFitShare = 0.6;
/// The points a fitted text gives up at each step.
inline constexpr double kFitStepPoints = 0.5;

/// 左, 中, 右: the words the windows show and take for an anchor.
QString anchorWord(TextAnchor anchor);
/// The anchor a word stands for; nothing for any other text.
std::optional<TextAnchor> anchorOf(const QString& word);
QStringList anchorWords();

/// 横排 or 竖排.
QString writingWord(bool vertical);
/// Whether a word says 竖排; nothing for a word that is neither.
std::optional<bool> verticalOf(const QString& word);
QStringList writingWords();

/// The anchor stored as a number (0, 1, 2); left for anything else.
TextAnchor anchorFromStored(int stored);

} // namespace Placement
