#include "core/printing/SystemCardPrinter.h"

#include "core/printing/CupsSpooler.h"
#include "core/printing/PrinterCatalog.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

namespace {

// The paper as the job asks for it. A size of the style's own is sent in the whole points Qt wrote
// into the spool file, plus 0.3 pt: the spooler turns points into hundredths of a millimetre and
// its PDF backends cut back to whole points, so the page would come out a point short and the card
// would move by 0.18 mm.
QByteArray mediaOption(const CardSheet& sheet)
{
    if (!sheet.customSize)
        return (sheet.media.isEmpty() ? sheet.paper.key() : sheet.media).toUtf8();
    const QSize points = sheet.printedPage().sizePoints();
    return QStringLiteral("Custom.%1x%2").arg(points.width() + 0.3).arg(points.height() + 0.3).toUtf8();
}

} // namespace

SystemCardPrinter::SystemCardPrinter() = default;

SystemCardPrinter::~SystemCardPrinter()
{
    discardDocument();
}

int SystemCardPrinter::installedPrinterCount() const
{
    return static_cast<int>(QPrinterInfo::availablePrinterNames().size());
}

Result<QPainter*> SystemCardPrinter::beginDocument()
{
    // Without a chosen sheet, the default printer as it is set up.
    if (!sheetSet())
        setSheet(PrinterCatalog::resolveSheet(PrintSetting{}), PageCorrection{});
    const CardSheet& page = sheet();
    if (page.printerName.isEmpty()) {
        return Status::failure(QStringLiteral("系统没有默认打印机，请柬无法打印。"
                                              "请安装打印机并把它设为默认打印机。"));
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(page.printerName);
    if (info.isNull()) {
        return Status::failure(
            QStringLiteral("打印机“%1”已不存在，请柬无法打印。请检查打印机的安装。").arg(page.printerName));
    }

    // Qt draws the page into the spool file; sending it ourselves lets us see whether the spooler
    // took the job.
    QTemporaryFile spool(QDir::temp().filePath(QStringLiteral("fennick-card-XXXXXX.job")));
    spool.setAutoRemove(false);
    if (!spool.open()) {
        return Status::failure(QStringLiteral("无法创建打印用的临时文件：%1").arg(spool.errorString()));
    }
    m_spoolFile = spool.fileName();
    spool.close();

    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    m_printer->setOutputFileName(m_spoolFile); // not *.pdf: the printer's own settings stay
    // The sheet goes in as the printer feeds it; a landscape card is turned by the painter, so the
    // card lands the same way whichever way the printer's driver would turn a landscape page.
    m_printer->setPageOrientation(QPageLayout::Portrait);
    m_printer->setPageSize(page.printedPage());
    // The painter starts at the paper's corner; the card's origin is then put on the printable
    // area exactly (Qt's own margins are rounded to whole points).
    m_printer->setFullPage(true);
    m_printer->setDocName(documentTitle().isEmpty() ? QStringLiteral("请柬") : documentTitle());
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        m_painter.reset();
        m_printer.reset();
        dropSpoolFile();
        return Status::failure(QStringLiteral("打印机“%1”无法开始打印请柬。").arg(page.printerName));
    }
    return m_painter.get();
}

Status SystemCardPrinter::finishDocument()
{
    const bool ended = m_painter->end();
    const QString title = m_printer->docName();
    m_painter.reset();
    m_printer.reset();
    if (!ended) {
        dropSpoolFile();
        return Status::failure(
            QStringLiteral("请柬没有能够交给打印机“%1”：打印文件无法写入。").arg(sheet().printerName));
    }
    const Result<int> job = submitJob(sheet(), title);
    dropSpoolFile();
    if (!job.isOk())
        return Status::failure(job.error());
    m_lastJobId = job.value();
    return Status::ok();
}

Result<int> SystemCardPrinter::submitJob(const CardSheet& page, const QString& title)
{
    CupsSpooler::Options options{{"media", mediaOption(page)}};
    if (!page.paperSource.isEmpty())
        options.append({"InputSlot", page.paperSource.toUtf8()});
    const Result<int> job = CupsSpooler::printFile(page.printerName, m_spoolFile, title, options);
    SentJob sent;
    sent.printer = page.printerName;
    if (!job.isOk()) {
        sent.outcome = SentJob::Outcome::Refused;
        sent.refusal = job.error();
        setLastJob(sent);
        return Status::failure(
            QStringLiteral("打印机“%1”拒绝了这张请柬的打印任务：%2").arg(page.printerName, job.error()));
    }
    sent.outcome = SentJob::Outcome::Taken;
    sent.id = job.value();
    setLastJob(sent);
    return job;
}

PrinterStatus SystemCardPrinter::printerStatus(const QString& name)
{
    return CupsSpooler::printerStatus(name);
}

Result<QList<SpooledJob>> SystemCardPrinter::spooledJobs()
{
    return CupsSpooler::jobs();
}

void SystemCardPrinter::abandonDocument()
{
    // The spool file is never handed to the spooler, so nothing of it reaches the printer.
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_printer.reset();
    dropSpoolFile();
}

void SystemCardPrinter::dropSpoolFile()
{
    if (!m_spoolFile.isEmpty())
        QFile::remove(m_spoolFile);
    m_spoolFile.clear();
}
