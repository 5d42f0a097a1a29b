#include "core/printing/PrinterCatalog.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Sizes within half a millimetre are the same paper: printers list whole points.
constexpr double kSameSizeMm = 0.5;

// A printer instance ("queue/instance") is the queue's printer with other default options.
QByteArray queueOf(const QString& printer)
{
    return printer.section(QLatin1Char('/'), 0, 0).toUtf8();
}

QByteArray instanceOf(const QString& printer)
{
    return printer.section(QLatin1Char('/'), 1).toUtf8();
}

bool sameSize(const QSizeF& a, const QSizeF& b)
{
    return std::abs(a.width() - b.width()) < kSameSizeMm && std::abs(a.height() - b.height()) < kSameSizeMm;
}

// The printer's hardware margins on `paper`, in millimetres of the sheet as it is fed. Qt keeps
// them in the layout's units and never turns them.
QMarginsF hardwareMarginsMm(const QPrinterInfo& info, const QPageSize& paper)
{
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(paper);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return layout.minimumMargins();
}

// The names trays are usually given, in the program's language.
QString trayName(const QString& keyword, const QString& printerText)
{
    static const struct
    {
        const char* keyword;
        const char* name;
    } known[] = {{"Auto", "自动选择"},       {"AutoSelect", "自动选择"},
                 {"Default", "打印机默认"},  {"Manual", "手动进纸"},
                 {"ManualFeed", "手动进纸"}, {"Envelope", "信封进纸"},
                 {"Upper", "上纸盒"},        {"Lower", "下纸盒"},
                 {"Middle", "中纸盒"},       {"MultiPurpose", "多用途纸盒"},
                 {"Tray1", "纸盒 1"},        {"Tray2", "纸盒 2"},
                 {"Tray3", "纸盒 3"},        {"Tray4", "纸盒 4"}};
    for (const auto& entry : known) {
        if (keyword.compare(QLatin1String(entry.keyword), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(entry.name);
    }
    return printerText.isEmpty() ? keyword : printerText;
}

// What the printer's driver says of its papers and trays. Qt rounds a driver's paper to the
// standard size it resembles (a driver's A5 of 421 points becomes 420), and a page a point smaller
// than the sheet is centred on it, half a point off.
struct DriverFacts
{
    struct Paper
    {
        QString name;
        QSizeF points;
    };
    QList<Paper> papers;
    QList<PrinterCatalog::PaperSource> sources;

    // The driver's paper that is `size` (by name, or else by size within a point and a half).
    const Paper* paperFor(const QPageSize& size) const
    {
        for (const Paper& paper : papers) {
            if (paper.name == size.key())
                return &paper;
        }
        const QSizeF points = size.size(QPageSize::Point);
        for (const Paper& paper : papers) {
            if (std::abs(paper.points.width() - points.width()) < 1.5 &&
                std::abs(paper.points.height() - points.height()) < 1.5)
                return &paper;
        }
        return nullptr;
    }
};

DriverFacts driverFacts(const QString& printer)
{
    // Qt names no trays, and a tray chosen through IPP's media-source does not reach the PPD
    // drivers, which take InputSlot: so both come from the queue's PPD.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    DriverFacts facts;
    const char* file = cupsGetPPD(queueOf(printer).constData());
    if (!file)
        return facts;
    const QByteArray copy(file); // cupsGetPPD's buffer is reused by the next call
    if (ppd_file_t* ppd = ppdOpenFile(copy.constData())) {
        for (int i = 0; i < ppd->num_sizes; ++i) {
            const ppd_size_t& size = ppd->sizes[i];
            if (std::strcmp(size.name, "Custom") != 0)
                facts.papers.append({QString::fromUtf8(size.name), QSizeF(size.width, size.length)});
        }
        if (ppd_option_t* slot = ppdFindOption(ppd, "InputSlot")) {
            for (int i = 0; i < slot->num_choices; ++i) {
                const QString keyword = QString::fromUtf8(slot->choices[i].choice);
                facts.sources.append({keyword, trayName(keyword, QString::fromUtf8(slot->choices[i].text))});
            }
        }
        ppdClose(ppd);
    }
    QFile::remove(QString::fromUtf8(copy));
#pragma GCC diagnostic pop
    return facts;
}

} // namespace

namespace PrinterCatalog {

QStringList printerNames()
{
    return QPrinterInfo::availablePrinterNames();
}

QString defaultPrinterName()
{
    return QPrinterInfo::defaultPrinterName();
}

QList<QPageSize> paperSizes(const QString& printer)
{
    return QPrinterInfo::printerInfo(printer).supportedPageSizes();
}

QPageSize defaultPaper(const QString& printer)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer);
    if (info.isNull())
        return QPageSize(QPageSize::A4);
    const QPageSize paper = QPrinter(info, QPrinter::HighResolution).pageLayout().pageSize();
    return paper.isValid() ? paper : QPageSize(QPageSize::A4);
}

QList<PaperSource> paperSources(const QString& printer)
{
    const QList<PaperSource> sources = driverFacts(printer).sources;
    return sources.size() > 1 ? sources : QList<PaperSource>();
}

bool takesCustomSize(const QString& printer, const QSizeF& sizeMm)
{
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueOf(printer).constData(),
                         instanceOf(printer).isEmpty() ? nullptr : instanceOf(printer).constData());
    if (!dest)
        return false;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    // "custom_185x260mm_185x260mm": the name the spooler checks against the printer's range.
    char name[IPP_MAX_NAME];
    pwgFormatSizeName(name, sizeof name, "custom", nullptr,
                      static_cast<int>(std::lround(sizeMm.width() * 100)),
                      static_cast<int>(std::lround(sizeMm.height() * 100)), nullptr);
    const bool takes = info && cupsCheckDestSupported(CUPS_HTTP_DEFAULT, dest, info, "media", name);
    cupsFreeDestInfo(info);
    cupsFreeDests(1, dest);
    return takes;
}

CardSheet resolveSheet(const PrintSetting& setting)
{
    CardSheet sheet;
    sheet.landscape = setting.landscape;
    QStringList notices;

    const QStringList installed = printerNames();
    QString printer = setting.printer;
    sheet.defaultPrinter = printer.isEmpty();
    if (!printer.isEmpty() && !installed.contains(printer)) {
        const QString fallback = defaultPrinterName();
        notices << (fallback.isEmpty()
                        ? QStringLiteral("样式指定的打印机“%1”已不存在，现在也没有默认打印机。").arg(printer)
                        : QStringLiteral("样式指定的打印机“%1”已不存在，改用系统默认打印机“%2”。")
                              .arg(printer, fallback));
        printer.clear();
        sheet.defaultPrinter = true;
    }
    if (printer.isEmpty())
        printer = defaultPrinterName();
    sheet.printerName = printer;
    const QPrinterInfo info = printer.isEmpty() ? QPrinterInfo() : QPrinterInfo::printerInfo(printer);
    const QList<QPageSize> listed = info.isNull() ? QList<QPageSize>() : info.supportedPageSizes();

    if (setting.hasCustomSize()) {
        sheet.paper =
            QPageSize(setting.customSizeMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
        sheet.customSize = true;
        // A size the printer lists is its own paper, whatever it was typed as.
        for (const QPageSize& size : listed) {
            if (sameSize(size.size(QPageSize::Millimeter), setting.customSizeMm)) {
                sheet.paper = size;
                sheet.customSize = false;
                break;
            }
        }
        if (sheet.customSize && !info.isNull())
            sheet.paperAccepted = takesCustomSize(printer, setting.customSizeMm);
    } else if (info.isNull()) {
        // No printer to ask: the named paper if Qt knows the name, else A4.
        sheet.paper = QPageSize(QPageSize::A4);
        for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
            const QPageSize size(static_cast<QPageSize::PageSizeId>(id));
            if (!setting.paperKey.isEmpty() && size.key() == setting.paperKey)
                sheet.paper = size;
        }
    } else {
        sheet.paper = defaultPaper(printer);
        if (!setting.paperKey.isEmpty()) {
            bool found = false;
            for (const QPageSize& size : listed) {
                if (size.key() == setting.paperKey) {
                    sheet.paper = size;
                    found = true;
                    break;
                }
            }
            if (!found) {
                notices << QStringLiteral("打印机“%1”没有样式指定的纸张“%2”，改用打印机的默认纸张。")
                               .arg(printer, setting.paperKey);
            }
        }
    }

    if (!info.isNull()) {
        sheet.sheetMarginsMm = hardwareMarginsMm(info, sheet.paper);
        const DriverFacts driver = driverFacts(printer);
        if (!sheet.customSize) {
            if (const DriverFacts::Paper* own = driver.paperFor(sheet.paper)) {
                sheet.media = own->name;
                const QSize qtPoints = sheet.paper.sizePoints();
                if (std::abs(own->points.width() - qtPoints.width()) >= 0.5 ||
                    std::abs(own->points.height() - qtPoints.height()) >= 0.5)
                    sheet.driverPoints = own->points;
            }
        }
        if (!setting.paperSource.isEmpty()) {
            for (const PaperSource& source : driver.sources) {
                if (source.keyword == setting.paperSource) {
                    sheet.paperSource = source.keyword;
                    sheet.paperSourceName = source.name;
                }
            }
            if (sheet.paperSource.isEmpty()) {
                notices << QStringLiteral("打印机“%1”没有样式指定的纸张来源“%2”，由打印机自行选择。")
                               .arg(printer, setting.paperSource);
            }
        }
    }
    sheet.notice = notices.join(QLatin1Char(' '));
    return sheet;
}

} // namespace PrinterCatalog
