// Conversions of numbers that the card database keeps as text or as numbers.
#pragma once

#include <QVariant>

#include <optional>

/// A stored position or size as a number; nullopt when the value is not a finite number.
std::optional<double> storedNumber(const QVariant& value);

/// A stored font size in whole points, rounded half to even (10.5 -> 10, 11.5 -> 12); nullopt when it
/// is not a number or falls outside a 16-bit integer.
std::optional<qint16> storedFontSize(const QVariant& value);
