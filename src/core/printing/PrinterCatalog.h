// What the installed printers offer, asked of the spooler: their names, paper sizes, trays and
// margins, and the sheet a style's print setting comes to on them.
#pragma once

#include "core/cards/CardSheet.h"
#include "core/printing/PrintSetting.h"

#include <QList>
#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace PrinterCatalog {

/// One tray or feed of a printer: the keyword the printer knows it by and a name to show.
struct PaperSource
{
    QString keyword;
    QString name;
};

/// The installed printers, as the spooler lists them.
QStringList printerNames();
/// The system's default printer; empty when there is none.
QString defaultPrinterName();

/// The paper sizes `printer` lists, and the one it is set to.
QList<QPageSize> paperSizes(const QString& printer);
QPageSize defaultPaper(const QString& printer);
/// The trays of `printer`; empty when it has no choice of tray.
QList<PaperSource> paperSources(const QString& printer);
/// Whether `printer` takes a sheet of `sizeMm` that is not one of its listed sizes.
bool takesCustomSize(const QString& printer, const QSizeF& sizeMm);

/// The sheet `setting` prints on now: the style's printer or, when it is gone, the default one
/// (notice says so); its paper (a size it lists, or a size of the style's own, which it may not
/// take), tray and hardware margins. Without any printer, the paper whole, without margins.
CardSheet resolveSheet(const PrintSetting& setting);

} // namespace PrinterCatalog
