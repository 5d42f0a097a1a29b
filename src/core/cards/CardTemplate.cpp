#include "core/cards/CardTemplate.h"

#include "core/cards/TextTrim.h"

CardTemplate::CardTemplate(QList<Label> labels, GuestNameSetting setting, SalutationRules rules)
    : m_labels(std::move(labels)), m_setting(std::move(setting)), m_rules(std::move(rules)),
      m_nameFormat(m_setting.format), m_partnerFormat(m_setting.partnerFormat),
      m_hasPartnerFormat(!m_setting.partnerFormat.trimmed().isEmpty())
{
    m_labelTexts.reserve(m_labels.size());
    m_fixedLabels.reserve(m_labels.size());
    for (const Label& label : m_labels) {
        m_labelTexts.append(FieldText(label.text));
        m_fixedLabels.append(trimAsciiSpaces(m_labelTexts.last().fixedText()));
    }
}

const FieldText& CardTemplate::nameFormatFor(const GuestFields& guest) const
{
    return m_hasPartnerFormat && !guest.partner.isEmpty() ? m_partnerFormat : m_nameFormat;
}

QString CardTemplate::labelFor(int index, const FieldValues& values) const
{
    const FieldText& text = m_labelTexts.at(index);
    return text.hasFields() ? trimAsciiSpaces(text.expanded(values)) : m_fixedLabels.at(index);
}

QString CardTemplate::nameLineFor(const GuestFields& guest, const FieldValues& values) const
{
    return nameFormatFor(guest).expanded(values);
}

CardTexts CardTemplate::textsFor(const GuestFields& guest) const
{
    const FieldValues values = CardFields::valuesOf(guest, m_rules);
    CardTexts texts;
    texts.labels.reserve(m_labels.size());
    for (int i = 0; i < m_labels.size(); ++i)
        texts.labels.append(labelFor(i, values));
    texts.name = nameLineFor(guest, values);
    return texts;
}

CardFieldSet CardTemplate::fieldsUsed() const
{
    CardFieldSet used;
    const auto add = [&used](const FieldText& text) {
        for (const CardField field : text.fields())
            used.set(static_cast<std::size_t>(field));
    };
    for (const FieldText& text : m_labelTexts)
        add(text);
    add(m_nameFormat);
    add(m_partnerFormat);
    if (m_hasPartnerFormat)
        used.set(static_cast<std::size_t>(CardField::Partner));
    return used;
}
