#include "core/cards/UnprintableText.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardRendering.h"

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>

namespace {

// Texts whose font was never chosen are drawn in this face.
const QString kNameFallbackFamily = QStringLiteral("宋体");

bool isPrivateUse(char32_t c)
{
    return (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xF0000 && c <= 0xFFFFD) || (c >= 0x100000 && c <= 0x10FFFD);
}

bool neverReported(char32_t c)
{
    return c == U'\n' || c == U'\r' || QChar::isSpace(c);
}

} // namespace

bool GlyphCoverage::canDraw(const QString& family, char32_t character)
{
    QHash<char32_t, bool>& known = m_known[family];
    const auto found = known.constFind(character);
    if (found != known.constEnd())
        return found.value();

    bool drawable = false;
    const QString text = QString::fromUcs4(&character, 1);
    if (isPrivateUse(character) || (character >= 0xD800 && character <= 0xDFFF)) {
        drawable = false;
    } else if (QChar::category(character) == QChar::Other_NotAssigned) {
        drawable = false;
    } else {
        const QFont font = cardFont(family, 12, false, false);
        // The font itself first (cheap); otherwise lay the character out as drawing does, which
        // tries the fallback fonts, and look for the empty glyph.
        const QRawFont raw = QRawFont::fromFont(font);
        if (raw.isValid() && raw.supportsCharacter(character)) {
            drawable = true;
        } else {
            QTextLayout layout(text, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            drawable = true;
            for (const QGlyphRun& run : layout.glyphRuns()) {
                for (const quint32 glyph : run.glyphIndexes()) {
                    if (glyph == 0)
                        drawable = false;
                }
            }
        }
    }
    known.insert(character, drawable);
    return drawable;
}

QString GlyphCoverage::missingCharacters(const QString& text, const QString& family)
{
    QString missing;
    QSet<char32_t> seen;
    const QList<uint> characters = text.toUcs4();
    for (const uint c : characters) {
        const char32_t character = c;
        if (neverReported(character) || seen.contains(character))
            continue;
        seen.insert(character);
        if (!canDraw(family, character))
            missing += QString::fromUcs4(&character, 1);
    }
    return missing;
}

QString guestNameFamily(const GuestNameSetting& setting)
{
    const std::optional<int> points = drawnPoints(setting.fontSize);
    return setting.fontName.isEmpty() || !points || *points <= 0 ? kNameFallbackFamily : setting.fontName;
}

QList<UnprintableText> findUnprintable(const QList<Label>& labels, const GuestNameSetting& setting,
                                       const QStringList& guestNames, GlyphCoverage& coverage)
{
    QList<UnprintableText> found;
    for (const Label& label : labels) {
        const QString family = label.fontName.isEmpty() ? kNameFallbackFamily : label.fontName;
        const QString missing = coverage.missingCharacters(label.text, family);
        if (!missing.isEmpty())
            found.append(UnprintableText{false, label.name, missing});
    }
    const QString family = guestNameFamily(setting);
    for (const QString& name : guestNames) {
        const QString missing = coverage.missingCharacters(name, family);
        if (!missing.isEmpty())
            found.append(UnprintableText{true, name, missing});
    }
    return found;
}

QString describeCharacters(const QString& characters)
{
    QStringList described;
    for (const uint c : characters.toUcs4()) {
        const char32_t character = c;
        described << QStringLiteral("“%1”(U+%2)")
                         .arg(QString::fromUcs4(&character, 1),
                              QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    return described.join(QStringLiteral("、"));
}
