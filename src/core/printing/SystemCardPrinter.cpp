#include "core/printing/SystemCardPrinter.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

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
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        return Status::failure(QStringLiteral("系统没有默认打印机，请柬无法打印。"
                                              "请安装打印机并把它设为默认打印机。"));
    }
    m_printerName = info.printerName();

    // Qt draws the page for this printer's paper and printable area into the spool file; sending
    // it ourselves lets us see whether the spooler took the job.
    QTemporaryFile spool(QDir::temp().filePath(QStringLiteral("fennick-card-XXXXXX.job")));
    spool.setAutoRemove(false);
    if (!spool.open()) {
        return Status::failure(QStringLiteral("无法创建打印用的临时文件：%1").arg(spool.errorString()));
    }
    m_spoolFile = spool.fileName();
    spool.close();

    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    m_printer->setOutputFileName(m_spoolFile); // not *.pdf: the printer's own page settings stay
    // Spoolers and their backends mangle non-ASCII job titles.
    m_printer->setDocName(QStringLiteral("Fennick card %1").arg(m_jobs + 1));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        m_painter.reset();
        m_printer.reset();
        dropSpoolFile();
        return Status::failure(QStringLiteral("打印机“%1”无法开始打印请柬。").arg(m_printerName));
    }
    return m_painter.get();
}

Status SystemCardPrinter::finishDocument()
{
    const bool ended = m_painter->end();
    const QByteArray media = m_printer->pageLayout().pageSize().key().toUtf8();
    const QString title = m_printer->docName();
    m_painter.reset();
    m_printer.reset();
    if (!ended) {
        dropSpoolFile();
        return Status::failure(
            QStringLiteral("请柬没有能够交给打印机“%1”：打印文件无法写入。").arg(m_printerName));
    }

    // A printer instance ("queue/instance") is printed on its queue.
    const QByteArray queue = m_printerName.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    cups_option_t option;
    option.name = const_cast<char*>("media");
    option.value = const_cast<char*>(media.constData());
    const int job = cupsPrintFile(queue.constData(), QFile::encodeName(m_spoolFile).constData(),
                                  title.toUtf8().constData(), media.isEmpty() ? 0 : 1, &option);
    dropSpoolFile();
    if (job == 0) {
        return Status::failure(QStringLiteral("打印机“%1”拒绝了这张请柬的打印任务：%2")
                                   .arg(m_printerName, QString::fromUtf8(cupsLastErrorString())));
    }
    ++m_jobs;
    return Status::ok();
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
