// A printer that writes each ended document to its own numbered PDF file in a folder: for tests,
// previews and exports. It stands in for a real printer: each page is the sheet as that printer
// takes it, the card on its printable area through the printer's correction. A discarded document
// leaves no file.
#pragma once

#include "core/cards/PainterCardPrinter.h"

#include <QPageLayout>
#include <QStringList>

#include <memory>

class QPdfWriter;

class PdfCardPrinter : public PainterCardPrinter
{
public:
    /// Writes card-0001.pdf, card-0002.pdf ... into `folder`, skipping names that already exist.
    /// Each page is the paper of `layout` (A4 portrait without margins unless given), the card's
    /// origin exactly at its margins, until another sheet is set.
    explicit PdfCardPrinter(QString folder, const QPageLayout& layout = defaultLayout());
    ~PdfCardPrinter() override;

    static QPageLayout defaultLayout();

    /// Counts itself as the one installed printer.
    int installedPrinterCount() const override { return 1; }

    /// The files written so far, in order.
    const QStringList& writtenFiles() const { return m_written; }

protected:
    Result<QPainter*> beginDocument() override;
    Status finishDocument() override;
    void abandonDocument() override;

private:
    QString nextFileName();

    QString m_folder;
    int m_number = 0;
    QString m_target;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QStringList m_written;
};
