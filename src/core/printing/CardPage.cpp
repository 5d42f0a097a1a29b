#include "core/printing/CardPage.h"

#include "core/printing/PrinterCatalog.h"

#include <QRectF>

QPageLayout defaultCardPageLayout()
{
    return PrinterCatalog::resolveSheet(PrintSetting{}).cardLayout();
}

QPageLayout cardPageLayout(const QPageSize& paper)
{
    PrintSetting setting;
    setting.customSizeMm = paper.size(QPageSize::Millimeter);
    return PrinterCatalog::resolveSheet(setting).cardLayout();
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
