#include "core/cards/UnprintableText.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardRendering.h"
#include "core/cards/FieldText.h"

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

QList<UnprintableText> findUnprintable(const CardTemplate& card, const CardGuestList& guests,
                                       GlyphCoverage& coverage)
{
    QList<UnprintableText> found;
    // Where a guest's values go: the fields of each label, with the family the label prints in.
    struct FieldUse
    {
        CardField field;
        QString family;
    };
    QList<FieldUse> labelFields;
    const QList<Label>& labels = card.labels();
    for (int i = 0; i < labels.size(); ++i) {
        const QString family = labels.at(i).fontName.isEmpty() ? kNameFallbackFamily : labels.at(i).fontName;
        const FieldText& text = card.labelText(i);
        const QString missing = coverage.missingCharacters(text.fixedText(), family);
        if (!missing.isEmpty())
            found.append(UnprintableText{UnprintableText::Source::Label, labels.at(i).name, missing});
        for (const CardField field : text.fields())
            labelFields.append(FieldUse{field, family});
    }

    const QString nameFamily = guestNameFamily(card.setting());
    const QString formatMissing = coverage.missingCharacters(
        FieldText(card.setting().format).fixedText() + FieldText(card.setting().partnerFormat).fixedText(),
        nameFamily);
    if (!formatMissing.isEmpty())
        found.append(UnprintableText{UnprintableText::Source::NameFormat, QString(), formatMissing});

    for (qsizetype i = 0; i < guests.size(); ++i) {
        const GuestFields guest = guests.guestAt(i);
        const FieldValues values = CardFields::valuesOf(guest, card.rules());
        QString missing;
        const auto add = [&](const QString& value, const QString& family) {
            for (const uint c : coverage.missingCharacters(value, family).toUcs4()) {
                const char32_t character = c;
                const QString one = QString::fromUcs4(&character, 1);
                if (!missing.contains(one))
                    missing += one;
            }
        };
        for (const CardField field : card.nameFormatFor(guest).fields())
            add(values[static_cast<int>(field)], nameFamily);
        for (const FieldUse& use : labelFields)
            add(values[static_cast<int>(use.field)], use.family);
        if (!missing.isEmpty())
            found.append(UnprintableText{UnprintableText::Source::Guest, guest.name, missing});
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
