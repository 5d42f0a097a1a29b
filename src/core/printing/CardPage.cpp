#include "core/printing/CardPage.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

QPageLayout wholePage(const QPageSize& paper)
{
    return QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QPageLayout inMillimetres(QPageLayout layout)
{
    layout.setUnits(QPageLayout::Millimeter);
    return layout;
}

} // namespace

QPageLayout defaultCardPageLayout()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return wholePage(QPageSize(QPageSize::A4));
    QPrinter printer(info, QPrinter::HighResolution);
    const QPageLayout layout = printer.pageLayout();
    if (!layout.isValid())
        return wholePage(QPageSize(QPageSize::A4));
    return inMillimetres(layout);
}

QPageLayout cardPageLayout(const QPageSize& paper)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return wholePage(paper);
    QPrinter printer(info, QPrinter::HighResolution);
    // The printer reports its own margins for the paper when it knows the paper.
    if (!printer.setPageSize(paper))
        return wholePage(paper);
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    return layout.isValid() ? inMillimetres(layout) : wholePage(paper);
}

std::optional<QPageSize> paperByName(const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("a4"))
        return QPageSize(QPageSize::A4);
    if (key == QLatin1String("a5"))
        return QPageSize(QPageSize::A5);
    if (key == QLatin1String("a6"))
        return QPageSize(QPageSize::A6);
    if (key == QLatin1String("b5"))
        return QPageSize(QPageSize::B5);
    if (key == QLatin1String("letter"))
        return QPageSize(QPageSize::Letter);
    return std::nullopt;
}

QSizeF printableSizeMm(const QPageLayout& layout)
{
    return layout.paintRect(QPageLayout::Millimeter).size();
}
