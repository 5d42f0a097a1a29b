#include "core/cards/CardSheet.h"

#include "core/cards/CardUnits.h"

#include <QLocale>
#include <QPainter>

#include <cmath>

namespace {

constexpr double kMmPerPoint = CardUnits::kMmPerInch / 72.0;

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'g', 6);
}

} // namespace

QPageSize CardSheet::printedPage() const
{
    if (!driverPoints.isValid())
        return paper;
    return QPageSize(driverPoints, QPageSize::Point, paper.name(), QPageSize::ExactMatch);
}

QSizeF CardSheet::sheetSizeMm() const
{
    // QSize * double would round to whole millimetres.
    const QSize points = printedPage().sizePoints();
    return QSizeF(points.width() * kMmPerPoint, points.height() * kMmPerPoint);
}

QSizeF CardSheet::paperSizeMm() const
{
    const QSizeF sheet = sheetSizeMm();
    return landscape ? sheet.transposed() : sheet;
}

QMarginsF CardSheet::marginsMm() const
{
    const QMarginsF& m = sheetMarginsMm;
    // The card's top edge runs along the sheet's left edge and its left edge along the sheet's
    // bottom edge: the sheet is turned a quarter clockwise under the card, as spoolers turn
    // landscape pages by default.
    return landscape ? QMarginsF(m.bottom(), m.left(), m.top(), m.right()) : m;
}

QSizeF CardSheet::printableSizeMm() const
{
    const QSizeF paperMm = paperSizeMm();
    const QMarginsF m = marginsMm();
    return QSizeF(paperMm.width() - m.left() - m.right(), paperMm.height() - m.top() - m.bottom());
}

QString CardSheet::paperKey() const
{
    const QSizeF size = paper.size(QPageSize::Millimeter);
    return QStringLiteral("%1x%2%3").arg(mm(size.width()), mm(size.height()),
                                         landscape ? QStringLiteral(" 横向") : QString());
}

QString CardSheet::paperText() const
{
    const QSizeF size = paper.size(QPageSize::Millimeter);
    const QString dimensions = QStringLiteral("%1×%2 毫米").arg(mm(size.width()), mm(size.height()));
    const QString orientation = landscape ? QStringLiteral("横向") : QStringLiteral("纵向");
    if (customSize)
        return QStringLiteral("自定义 %1，%2").arg(dimensions, orientation);
    return QStringLiteral("%1（%2）%3").arg(paper.name(), dimensions, orientation);
}

QString CardSheet::printerText() const
{
    if (printerName.isEmpty())
        return QStringLiteral("没有打印机");
    return defaultPrinter ? QStringLiteral("%1（系统默认）").arg(printerName) : printerName;
}

QPageLayout CardSheet::cardLayout() const
{
    return QPageLayout(printedPage(), landscape ? QPageLayout::Landscape : QPageLayout::Portrait, marginsMm(),
                       QPageLayout::Millimeter);
}

QPageLayout CardSheet::sheetLayout() const
{
    QPageLayout layout(printedPage(), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

void CardSheet::moveToPrintableOrigin(QPainter& painter, double dotsPerMm) const
{
    if (landscape) {
        painter.translate(0, sheetSizeMm().height() * dotsPerMm);
        painter.rotate(-90);
    }
    const QMarginsF m = marginsMm();
    painter.translate(m.left() * dotsPerMm, m.top() * dotsPerMm);
}

CardSheet CardSheet::fromLayout(const QPageLayout& layout)
{
    CardSheet sheet;
    sheet.paper = layout.pageSize();
    sheet.customSize = layout.pageSize().id() == QPageSize::Custom;
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    sheet.landscape = layout.orientation() == QPageLayout::Landscape;
    // A landscape layout's margins are the card's; turned back onto the sheet as it is fed.
    sheet.sheetMarginsMm = sheet.landscape ? QMarginsF(m.top(), m.right(), m.bottom(), m.left()) : m;
    return sheet;
}
