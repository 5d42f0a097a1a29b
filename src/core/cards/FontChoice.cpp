#include "core/cards/FontChoice.h"

#include <QFont>
#include <QFontInfo>

namespace {

const QString kRegular = QStringLiteral("常规");
const QString kBold = QStringLiteral("粗体");
const QString kItalic = QStringLiteral("斜体");
const QString kBoldItalic = QStringLiteral("粗斜体");

} // namespace

QString fontStyleWord(bool bold, bool italic)
{
    if (bold)
        return italic ? kBoldItalic : kBold;
    return italic ? kItalic : kRegular;
}

std::optional<FontStyleFlags> fontStyleFlags(const QString& word)
{
    if (word == kRegular)
        return FontStyleFlags{false, false};
    if (word == kBold)
        return FontStyleFlags{true, false};
    if (word == kItalic)
        return FontStyleFlags{false, true};
    if (word == kBoldItalic)
        return FontStyleFlags{true, true};
    return std::nullopt;
}

QString fontSizeText(double points)
{
    // Rounded through float first, so 10.5 stays "10.5" and a size read back from a dialog as
    // 10.499999 becomes the size the user picked.
    const float single = static_cast<float>(points);
    return QString::number(static_cast<double>(single), 'g', 7);
}

FontTexts fontTexts(const FontChoice& choice)
{
    return FontTexts{choice.family, fontSizeText(choice.pointSize),
                     fontStyleWord(choice.bold, choice.italic)};
}

QString printedFamily(const QString& faceName)
{
    return QFontInfo(QFont(faceName)).family();
}

QString faceNameShown(const QString& faceName)
{
    if (faceName.isEmpty())
        return faceName;
    const QString printed = printedFamily(faceName);
    if (printed.compare(faceName, Qt::CaseInsensitive) == 0)
        return faceName;
    return QStringLiteral("%1（%2）").arg(faceName, printed);
}
