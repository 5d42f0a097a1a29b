#include "core/cards/TextPlacement.h"

namespace {

const QString kLeft = QStringLiteral("左");
const QString kCentre = QStringLiteral("中");
const QString kRight = QStringLiteral("右");
const QString kHorizontal = QStringLiteral("横排");
const QString kVertical = QStringLiteral("竖排");

} // namespace

namespace Placement {

QString anchorWord(TextAnchor anchor)
{
    switch (anchor) {
    case TextAnchor::Centre:
        return kCentre;
    case TextAnchor::Right:
        return kRight;
    case TextAnchor::Left:
        break;
    }
    return kLeft;
}

std::optional<TextAnchor> anchorOf(const QString& word)
{
    if (word == kLeft)
        return TextAnchor::Left;
    if (word == kCentre)
        return TextAnchor::Centre;
    if (word == kRight)
        return TextAnchor::Right;
    return std::nullopt;
}

QStringList anchorWords()
{
    return {kLeft, kCentre, kRight};
}

QString writingWord(bool vertical)
{
    return vertical ? kVertical : kHorizontal;
}

std::optional<bool> verticalOf(const QString& word)
{
    if (word == kHorizontal)
        return false;
    if (word == kVertical)
        return true;
    return std::nullopt;
}

QStringList writingWords()
{
    return {kHorizontal, kVertical};
}

TextAnchor anchorFromStored(int stored)
{
    switch (stored) {
    case 1:
        return TextAnchor::Centre;
    case 2:
        return TextAnchor::Right;
    default:
        return TextAnchor::Left;
    }
}

} // namespace Placement
