// Numbers typed by the user: the checks the label windows and the label grid apply before anything
// is written, and the text a stored number is shown as.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

/// True when every character of `text` is one of the ASCII digits 0 to 9 (true for the empty text).
bool isAsciiDigits(const QString& text);

/// The value of `text` written with ASCII digits only, as a finite number; nullopt otherwise.
std::optional<double> digitsNumber(const QString& text);

/// The value of a position written as ASCII digits with at most one decimal point and an optional
/// leading minus sign ("12", "-5", "2.5", ".5"); nullopt for anything else, including the empty text.
std::optional<double> plainNumber(const QString& text);

/// A stored value as the text a box shows: whole numbers without a decimal point, Null as "".
QString storedText(const QVariant& value);
