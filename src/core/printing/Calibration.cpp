#include "core/printing/Calibration.h"

#include "core/store/NumberText.h"

#include <QLocale>

#include <array>
#include <cmath>

namespace {

constexpr double kInsetMm = 20;
constexpr double kLargestOffsetMm = 15;
constexpr double kSmallestScale = 0.95;
constexpr double kLargestScale = 1.05;

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'f', 1);
}

struct Axis
{
    double a = 0; // the marks' designed coordinates on this axis
    double b = 0;
    double margin = 0;    // the paper edge to the printable area
    double measuredA = 0; // the typed distances
    double measuredB = 0;
    double offset = 0; // the correction the sheet was printed through
    double scale = 1;
};

// The correction along one axis. The sheet landed at margin + A + B * p for a design point p; the
// printer therefore puts a drawn point q at margin + o + k * q with k = B / scale and
// o = A - k * offset, and drawing p at (p - o) / k lands it true.
std::pair<double, double> solve(const Axis& axis)
{
    const double slope = (axis.measuredB - axis.measuredA) / (axis.b - axis.a);
    const double intercept = axis.measuredA - axis.margin - slope * axis.a;
    const double scale = axis.scale / slope;
    return {axis.offset - intercept * scale, scale};
}

bool plausible(double offset, double scale)
{
    return std::isfinite(offset) && std::isfinite(scale) && std::abs(offset) <= kLargestOffsetMm &&
           scale >= kSmallestScale && scale <= kLargestScale;
}

} // namespace

CalibrationMarks calibrationMarks(const CardSheet& sheet)
{
    const QSizeF area = sheet.printableSizeMm();
    const double insetX = std::min(kInsetMm, std::floor(area.width() / 4));
    const double insetY = std::min(kInsetMm, std::floor(area.height() / 4));
    return {QPointF(insetX, insetY),
            QPointF(std::floor(area.width() - insetX), std::floor(area.height() - insetY))};
}

QPointF fromPaperEdges(const QPointF& pointMm, const CardSheet& sheet)
{
    const QMarginsF margins = sheet.marginsMm();
    return pointMm + QPointF(margins.left(), margins.top());
}

Result<PageCorrection> correctionFromMeasurements(const CardSheet& sheet, const PageCorrection& printedWith,
                                                  const MeasuredMarks& measured)
{
    const CalibrationMarks marks = calibrationMarks(sheet);
    const QPointF expectedA = fromPaperEdges(marks.a, sheet);
    const QPointF expectedB = fromPaperEdges(marks.b, sheet);
    struct Number
    {
        QString typed;
        QString what;
        double expected;
        double value = 0;
    };
    std::array<Number, 4> numbers{
        {{measured.aLeft, QStringLiteral("十字 A 到纸张左边的距离"), expectedA.x()},
         {measured.aTop, QStringLiteral("十字 A 到纸张上边的距离"), expectedA.y()},
         {measured.bLeft, QStringLiteral("十字 B 到纸张左边的距离"), expectedB.x()},
         {measured.bTop, QStringLiteral("十字 B 到纸张上边的距离"), expectedB.y()}}};
    for (Number& number : numbers) {
        const QString text = number.typed.trimmed();
        if (text.isEmpty())
            return Status::failure(QStringLiteral("请填写%1（毫米）。").arg(number.what));
        const std::optional<double> value = plainNumber(text);
        if (!value) {
            return Status::failure(
                QStringLiteral("%1只能是数字（毫米，可带小数点），“%2”不是数字。").arg(number.what, text));
        }
        if (*value < 0)
            return Status::failure(QStringLiteral("%1不能是负数，请重新测量。").arg(number.what));
        number.value = *value;
    }

    const QMarginsF margins = sheet.marginsMm();
    const auto [offsetX, scaleX] = solve({marks.a.x(), marks.b.x(), margins.left(), numbers[0].value,
                                          numbers[2].value, printedWith.offsetXMm, printedWith.scaleX});
    const auto [offsetY, scaleY] = solve({marks.a.y(), marks.b.y(), margins.top(), numbers[1].value,
                                          numbers[3].value, printedWith.offsetYMm, printedWith.scaleY});
    // A misreading shows as a correction no printer needs; the number furthest from where the
    // cross-hair should be is the one to measure again.
    for (const auto& [axisOk, first, second] :
         {std::tuple{plausible(offsetX, scaleX), 0, 2}, std::tuple{plausible(offsetY, scaleY), 1, 3}}) {
        if (axisOk)
            continue;
        const Number& a = numbers[first];
        const Number& b = numbers[second];
        const Number& wrong = std::abs(a.value - a.expected) >= std::abs(b.value - b.expected) ? a : b;
        return Status::failure(QStringLiteral("%1量得 %2 毫米，与应有的 %3 毫米相差太多，看来是量错或输错了。"
                                              "请重新测量这个数值。（校准的偏移不能超过 ±15 毫米，"
                                              "缩放只能在 0.95 到 1.05 之间。）")
                                   .arg(wrong.what, mm(wrong.value), mm(wrong.expected)));
    }
    return PageCorrection{offsetX, offsetY, scaleX, scaleY};
}
