#include "core/cards/StoredValues.h"

#include <QLocale>

#include <cmath>
#include <limits>

std::optional<double> storedNumber(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    double number = 0;
    if (value.typeId() == QMetaType::QString)
        number = QLocale::c().toDouble(value.toString().trimmed(), &ok);
    else
        number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<qint16> storedFontSize(const QVariant& value)
{
    const std::optional<double> number = storedNumber(value);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number); // the default rounding mode is half to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}
