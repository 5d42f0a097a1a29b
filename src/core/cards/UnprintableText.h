// Characters that would come out of the printer as empty boxes: no installed font draws them (the
// card's font and every fallback font the system offers for it were asked), or they are
// private-use characters, whose look depends on whichever font happens to define them.
#pragma once

#include "core/cards/CardGuestList.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"
#include "core/cards/GuestNameSetting.h"

#include <QHash>
#include <QList>
#include <QString>

/// Answers, and remembers, whether a font family (with its fallbacks) can draw a character.
class GlyphCoverage
{
public:
    /// The characters of `text` that `family` cannot draw, each once, in order of appearance.
    /// Spaces and line breaks are never reported.
    QString missingCharacters(const QString& text, const QString& family);

private:
    bool canDraw(const QString& family, char32_t character);

    QHash<QString, QHash<char32_t, bool>> m_known;
};

/// A text of a card holding characters no font can print.
struct UnprintableText
{
    enum class Source
    {
        Label,     // the fixed text of a label
        Guest,     // what a guest brings to the card: the name and the other fields
        NameFormat // the fixed text of the name line's formats
    };
    Source source = Source::Label;
    QString name;    // the label's name, or the guest's name
    QString missing; // the characters that cannot be printed
};

/// The family a card draws a guest's name in (the setting's, or the one used when none was saved).
QString guestNameFamily(const GuestNameSetting& setting);

/// Checks the fixed text of every label of `card` against its font and of the name formats against
/// the guest-name font, then what each of `guests` brings to the card: every value their name line
/// and labels show, in the font it is printed in.
QList<UnprintableText> findUnprintable(const CardTemplate& card, const CardGuestList& guests,
                                       GlyphCoverage& coverage);

/// Each character with its code point, for messages: “X”(U+E000)、“Y”(U+F8FF).
QString describeCharacters(const QString& characters);
