#include "core/printing/PrintTarget.h"

#include "core/cards/CardPrinter.h"
#include "core/printing/PrinterCatalog.h"
#include "core/store/PrinterStore.h"

#include <QLocale>

#include <cmath>

namespace {

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'g', 6);
}

} // namespace

QString PrintTarget::statusText() const
{
    QStringList lines;
    if (!sheet.notice.isEmpty())
        lines << sheet.notice;
    lines << QStringLiteral("打印机：%1").arg(sheet.printerText());
    if (!sheet.printerName.isEmpty())
        lines.last() +=
            QStringLiteral("，") + (correction ? correction->describe() : QStringLiteral("未校准"));
    lines << QStringLiteral("纸张：%1").arg(sheet.paperText());
    return lines.join(QLatin1Char('\n'));
}

Status PrintTarget::readyToPrint() const
{
    if (sheet.paperAccepted)
        return Status::ok();
    const QSizeF size = sheet.paper.size(QPageSize::Millimeter);
    return Status::failure(QStringLiteral("打印机“%1”不能使用自定义尺寸的纸张（%2×%3 毫米），"
                                          "打印这种样式会浪费请柬，所以一张也没有打印。"
                                          "请在“编辑样式”的“打印机与纸张”中选择这台打印机列出的纸张，"
                                          "或者换一台可以使用自定义纸张的打印机。")
                               .arg(sheet.printerName, mm(size.width()), mm(size.height())));
}

void PrintTarget::applyTo(CardPrinter& printer) const
{
    printer.setSheet(sheet, appliedCorrection());
}

Result<PrintTarget> printTarget(CardStore& store, const PrintSetting& setting)
{
    PrintTarget target;
    target.setting = setting;
    target.sheet = PrinterCatalog::resolveSheet(setting);
    if (target.sheet.printerName.isEmpty())
        return target;
    Result<std::optional<PageCorrection>> stored =
        PrinterStore(store).correction(target.sheet.printerName, target.sheet.paperKey());
    if (!stored.isOk())
        return Status::failure(stored.error());
    target.correction = stored.value();
    return target;
}

Result<PrintTarget> printTarget(CardStore& store, qint16 listId)
{
    const Result<PrintSetting> setting = PrinterStore(store).styleSetting(listId);
    if (!setting.isOk())
        return Status::failure(setting.error());
    return printTarget(store, setting.value());
}
