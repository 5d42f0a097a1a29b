// Characters that would come out of the printer as empty boxes: no installed font draws them (the
// card's font and every fallback font the system offers for it were asked), or they are
// private-use characters, whose look depends on whichever font happens to define them.
#pragma once

#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"

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
    bool isGuest = false; // a guest's name, otherwise a label
    QString name;         // the guest's name, or the label's name
    QString missing;      // the characters that cannot be printed
};

/// The family a card draws a guest's name in (the setting's, or the one used when none was saved).
QString guestNameFamily(const GuestNameSetting& setting);

/// Checks every label against its font and every name in `guestNames` against the guest-name font.
QList<UnprintableText> findUnprintable(const QList<Label>& labels, const GuestNameSetting& setting,
                                       const QStringList& guestNames, GlyphCoverage& coverage);

/// Each character with its code point, for messages: “X”(U+E000)、“Y”(U+F8FF).
QString describeCharacters(const QString& characters);
