#include "core/store/NumberText.h"

#include <QLocale>

#include <cmath>

bool isAsciiDigits(const QString& text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<double> digitsNumber(const QString& text)
{
    if (text.isEmpty() || !isAsciiDigits(text))
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> plainNumber(const QString& text)
{
    QString digits = text;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    const int point = static_cast<int>(digits.indexOf(QLatin1Char('.')));
    if (point >= 0)
        digits.remove(point, 1);
    // At least one digit, and nothing but digits once the sign and one point are taken away.
    if (digits.isEmpty() || !isAsciiDigits(digits))
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> fitWidthNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0.0;
    const std::optional<double> number = plainNumber(trimmed);
    if (!number || *number <= 0)
        return std::nullopt;
    return number;
}

QString storedText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double number = value.toDouble();
        if (std::isfinite(number))
            return QString::number(number, 'g', 15);
    }
    return value.toString();
}

QString TypedRange::text(const QString& unit) const
{
    return QStringLiteral("%1 到 %2 %3").arg(QString::number(min), QString::number(max), unit);
}
