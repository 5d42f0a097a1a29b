// A style's rules for the 称谓 printed for a guest who has none of their own: one text per sex.
#pragma once

#include <QString>

struct SalutationRules
{
    QString male = QStringLiteral("先生");
    QString female = QStringLiteral("女士");
    QString unknown; // for a guest whose sex was not given

    /// The rule's text for `sex` ("男", "女", anything else counts as not given).
    const QString& forSex(const QString& sex) const;

    bool operator==(const SalutationRules& other) const
    {
        return male == other.male && female == other.female && unknown == other.unknown;
    }
};
