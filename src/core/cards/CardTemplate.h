// A style's card ready to be filled in for guest after guest: its labels, its guest-name setting and
// its 称谓 rules, with every text read once for its fields. What a card prints for a guest is decided
// here alone, for printing, preview, export and the checks alike.
#pragma once

#include "core/cards/CardFields.h"
#include "core/cards/FieldText.h"
#include "core/cards/GuestFields.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/cards/SalutationRules.h"

#include <QList>
#include <QString>
#include <QStringList>

/// The texts of one guest's card: each label's, in the labels' order, then the name line.
struct CardTexts
{
    QStringList labels;
    QString name;
};

class CardTemplate
{
public:
    CardTemplate() = default;
    CardTemplate(QList<Label> labels, GuestNameSetting setting, SalutationRules rules = {});

    const QList<Label>& labels() const { return m_labels; }
    const GuestNameSetting& setting() const { return m_setting; }
    const SalutationRules& rules() const { return m_rules; }

    /// The label's text read for fields.
    const FieldText& labelText(int index) const { return m_labelTexts.at(index); }
    /// The format of the name line for `guest`: the partner format when the guest has a partner
    /// (同行) and the style has such a format, the name format otherwise.
    const FieldText& nameFormatFor(const GuestFields& guest) const;

    /// Label `index` as printed for a guest with `values`: filled in, then trimmed of ASCII spaces
    /// at both ends as every label is.
    QString labelFor(int index, const FieldValues& values) const;
    /// The name line for `guest`, exactly as its format makes it (not trimmed: a name prints as
    /// stored).
    QString nameLineFor(const GuestFields& guest, const FieldValues& values) const;
    /// Every text of `guest`'s card.
    CardTexts textsFor(const GuestFields& guest) const;

    /// The fields the card's texts name, and 同行 when the style has a partner format (it decides
    /// which format a guest gets): what must be read about each guest.
    CardFieldSet fieldsUsed() const;

private:
    QList<Label> m_labels;
    GuestNameSetting m_setting;
    SalutationRules m_rules;
    QList<FieldText> m_labelTexts;
    QStringList m_fixedLabels; // the printed text of each label without fields
    FieldText m_nameFormat;
    FieldText m_partnerFormat;
    bool m_hasPartnerFormat = false;
};
