#include "core/cards/SalutationRules.h"

const QString& SalutationRules::forSex(const QString& sex) const
{
    if (sex == QStringLiteral("男"))
        return male;
    if (sex == QStringLiteral("女"))
        return female;
    return unknown;
}
