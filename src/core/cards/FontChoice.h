// A font choice as the label windows carry and store it: three texts, face name, size and one of
// the four font style words, never a font object.
#pragma once

#include <QString>

#include <optional>

/// What the font dialog opens on and returns.
struct FontChoice
{
    QString family;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
};

/// The three texts written into a window's font boxes and stored unchanged.
struct FontTexts
{
    QString name;
    QString size;
    QString style;
};

/// Bold and italic as a stored style word reads back.
struct FontStyleFlags
{
    bool bold = false;
    bool italic = false;
};

/// "常规", "粗体", "斜体" or "粗斜体".
QString fontStyleWord(bool bold, bool italic);

/// The bold and italic state a style word stands for; nullopt for any other text.
std::optional<FontStyleFlags> fontStyleFlags(const QString& word);

/// A point size as a single-precision number in decimal: at most seven significant digits, no
/// trailing zeros, no decimal point for whole sizes (12, 10.5).
QString fontSizeText(double points);

/// The installed face a stored face name prints in (宋体 prints in Noto Serif CJK SC, for one).
QString printedFamily(const QString& faceName);

/// A stored face name as the windows show it: with the face it prints in when that is another
/// ("楷体（AR PL UKai CN）").
QString faceNameShown(const QString& faceName);

/// The three texts for a chosen font.
FontTexts fontTexts(const FontChoice& choice);
