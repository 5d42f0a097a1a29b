// A printer for tests: the real printer state and drawing, onto a small image, recording what each
// document held. The test can make a document fail.
#pragma once

#include "core/cards/PainterCardPrinter.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>

#include <memory>

struct PrintedText
{
    QString text;
    QPointF positionMm;
    QFont font;
};

using PrintedDocument = QList<PrintedText>;

class FakePrinter : public PainterCardPrinter
{
public:
    ~FakePrinter() override { discardDocument(); }

    int installedPrinterCount() const override { return 1; }

    Status printText(const QString& text) override
    {
        const PrintedText printed{text, positionMm(), currentFont()};
        Status s = PainterCardPrinter::printText(text);
        if (s.isOk())
            openDocument.append(printed);
        return s;
    }

    bool offline = false; // every document fails to begin while set
    int refuseJob = 0;    // the job of this document (counting every document begun, from 1) is refused

    QList<PrintedDocument> jobs; // documents sent, in order
    PrintedDocument openDocument;
    int begun = 0;

    /// The name printed on each card: the last text of each job.
    QStringList printedNames() const
    {
        QStringList names;
        for (const PrintedDocument& job : jobs)
            names << (job.isEmpty() ? QString() : job.last().text);
        return names;
    }

protected:
    Result<QPainter*> beginDocument() override
    {
        if (offline)
            return Status::failure(QStringLiteral("测试打印机没有连接。"));
        ++begun;
        m_painter = std::make_unique<QPainter>(&m_page);
        return m_painter.get();
    }
    Status finishDocument() override
    {
        m_painter.reset();
        const PrintedDocument document = openDocument;
        openDocument.clear();
        if (begun == refuseJob)
            return Status::failure(QStringLiteral("测试打印机拒绝了打印任务。"));
        jobs.append(document);
        return Status::ok();
    }
    void abandonDocument() override
    {
        m_painter.reset();
        openDocument.clear();
    }

private:
    QImage m_page{64, 64, QImage::Format_RGB32};
    std::unique_ptr<QPainter> m_painter;
};
