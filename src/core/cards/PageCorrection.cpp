#include "core/cards/PageCorrection.h"

#include <QPainter>

#include <cmath>

namespace {

// What no ruler can see: a hundredth of a millimetre, a hundred-thousandth of the size.
constexpr double kNoOffsetMm = 0.005;
constexpr double kNoScale = 0.00001;

QString percent(double scale)
{
    return QStringLiteral("%1%").arg(scale * 100, 0, 'f', 2);
}

} // namespace

bool PageCorrection::isIdentity() const
{
    return std::abs(offsetXMm) < kNoOffsetMm && std::abs(offsetYMm) < kNoOffsetMm &&
           std::abs(scaleX - 1) < kNoScale && std::abs(scaleY - 1) < kNoScale;
}

void PageCorrection::apply(QPainter& painter, double dotsPerMm) const
{
    if (isIdentity())
        return;
    painter.translate(offsetXMm * dotsPerMm, offsetYMm * dotsPerMm);
    painter.scale(scaleX, scaleY);
}

QString PageCorrection::describe() const
{
    QString text = QStringLiteral("已校准：偏移 %1 / %2 毫米").arg(signedMm(offsetXMm), signedMm(offsetYMm));
    if (std::abs(scaleX - 1) >= 0.00005 || std::abs(scaleY - 1) >= 0.00005)
        text += QStringLiteral("，缩放 %1 / %2").arg(percent(scaleX), percent(scaleY));
    return text;
}

QString signedMm(double mm)
{
    const double tenths = std::round(mm * 10) / 10;
    if (tenths == 0)
        return QStringLiteral("0.0");
    const QString digits = QString::number(std::abs(tenths), 'f', 1);
    return (tenths > 0 ? QStringLiteral("+") : QStringLiteral("\u2212")) + digits;
}
