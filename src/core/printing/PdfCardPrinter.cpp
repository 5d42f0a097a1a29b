#include "core/printing/PdfCardPrinter.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>

namespace {

// The document is written under this suffix and renamed when it is complete, so a file with the
// final name is always a whole card.
const QString kPartSuffix = QStringLiteral(".part");

} // namespace

PdfCardPrinter::PdfCardPrinter(QString folder, const QPageLayout& layout) : m_folder(std::move(folder))
{
    setSheet(CardSheet::fromLayout(layout), PageCorrection{});
}

PdfCardPrinter::~PdfCardPrinter()
{
    discardDocument();
}

QPageLayout PdfCardPrinter::defaultLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

QString PdfCardPrinter::nextFileName()
{
    const QDir folder(m_folder);
    QString name;
    do {
        name = folder.filePath(QStringLiteral("card-%1.pdf").arg(++m_number, 4, 10, QLatin1Char('0')));
    } while (QFile::exists(name));
    return name;
}

Result<QPainter*> PdfCardPrinter::beginDocument()
{
    m_target = nextFileName();
    const QString part = m_target + kPartSuffix;
    QFile probe(part);
    if (!probe.open(QIODevice::WriteOnly)) {
        --m_number; // tried again under the same name
        return Status::failure(QStringLiteral("无法写入文件“%1”：%2。请检查文件夹是否存在、是否可写。")
                                   .arg(QDir::toNativeSeparators(part), probe.errorString()));
    }
    probe.close();

    m_writer = std::make_unique<QPdfWriter>(part);
    m_writer->setPageLayout(sheet().sheetLayout());
    m_writer->setCreator(QStringLiteral("Zanbor Fennick"));
    m_writer->setTitle(documentTitle().isEmpty() ? QStringLiteral("请柬") : documentTitle());
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_painter.reset();
        m_writer.reset();
        QFile::remove(part);
        --m_number;
        return Status::failure(
            QStringLiteral("无法开始写入文件“%1”。").arg(QDir::toNativeSeparators(m_target)));
    }
    return m_painter.get();
}

Status PdfCardPrinter::finishDocument()
{
    const QString part = m_target + kPartSuffix;
    const bool ended = m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (!ended || !QFile::rename(part, m_target)) {
        QFile::remove(part);
        return Status::failure(QStringLiteral("文件“%1”没有写完整，请检查磁盘空间和文件夹权限。")
                                   .arg(QDir::toNativeSeparators(m_target)));
    }
    m_written << m_target;
    // A written file is a finished card: the record has nothing to wait for.
    SentJob job;
    job.outcome = SentJob::Outcome::Taken;
    job.printer = sheet().printerName;
    job.id = m_number;
    job.done = true;
    setLastJob(job);
    return Status::ok();
}

void PdfCardPrinter::abandonDocument()
{
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    QFile::remove(m_target + kPartSuffix);
    --m_number; // the number was never used
}
