// The units and text rules that drawing and measuring a card share, so that what is measured for
// the preview and the checks is exactly what is drawn.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace CardUnits {

inline constexpr double kMmPerInch = 25.4;
/// The resolution cards are printed and exported at (Qt's high resolution for PDF and for the
/// spooler), and so the one they are laid out and measured at everywhere else.
inline constexpr double kLayoutDpi = 1200;

/// Device dots in one millimetre at `dotsPerInch`.
inline double dotsPerMm(double dotsPerInch)
{
    return dotsPerInch / kMmPerInch;
}

/// The lines of a card text: a line break is CR LF, CR or LF, as typed in any editor.
inline QStringList lines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

} // namespace CardUnits
