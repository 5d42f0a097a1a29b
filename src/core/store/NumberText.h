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

/// A fit width as typed: 0 (no fit width) for a box left empty or holding spaces, otherwise a plain
/// number above 0; nullopt for anything else.
std::optional<double> fitWidthNumber(const QString& text);

/// A stored value as the text a box shows: whole numbers without a decimal point, Null as "".
QString storedText(const QVariant& value);

/// The values a box takes, both ends included.
struct TypedRange
{
    double min = 0;
    double max = 0;

    bool contains(double value) const { return value >= min && value <= max; }
    /// The range as a message says it, with its unit: "0 到 3000 毫米".
    QString text(const QString& unit) const;
};

/// Positions in millimetres where a box takes no minus sign (the label window): as far as any
/// paper reaches, until styles know their own paper.
inline constexpr TypedRange kPositionMm{0, 3000};
/// Positions where a box takes a minus sign (the label grid, the guest-name setting): a label moved
/// past the top or left edge shows a negative number there and may be corrected step by step.
inline constexpr TypedRange kSignedPositionMm{-3000, 3000};
/// Font sizes in points typed into the label grid; above 0, which the grid refuses on its own.
inline constexpr TypedRange kFontPoints{0, 1000};
/// Fit widths in millimetres: above 0 (an empty box means none), as far as any paper reaches.
inline constexpr TypedRange kFitWidthMm{0, 3000};
