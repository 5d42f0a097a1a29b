// A printer for tests: the real printer state and drawing, onto a small image, recording what each
// document held. The test can make a document fail, and can play a spooler: jobs that wait until
// the test says how they ended, a printer that is stopped, a spooler that does not answer.
#pragma once

#include "core/cards/PainterCardPrinter.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QDateTime>
#include <QMap>

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

    // Played spooler: while `spooling`, each sent document is a job (id 1001, 1002 ...) waiting
    // until the test sets its stage in `stages`; a job removed from `stages` is forgotten.
    bool spooling = false;
    bool spoolerDown = false;
    QMap<int, SpooledJob> stages;
    PrinterStatus status; // what printerStatus() says of every printer
    int spoolerAsked = 0;

    /// Sets the stage of job `id`, with the printer's words for a failure.
    void endJob(int id, SpooledJob::Stage stage, const QString& message = {})
    {
        stages[id].stage = stage;
        stages[id].message = message;
    }

    PrinterStatus printerStatus(const QString&) override { return status; }
    Result<QList<SpooledJob>> spooledJobs() override
    {
        ++spoolerAsked;
        if (spoolerDown)
            return Status::failure(QStringLiteral("测试打印系统没有回应。"));
        return stages.values();
    }

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
        SentJob sent;
        sent.printer = sheet().printerName;
        if (begun == refuseJob) {
            sent.outcome = SentJob::Outcome::Refused;
            sent.refusal = QStringLiteral("测试打印机拒绝了打印任务。");
            setLastJob(sent);
            return Status::failure(sent.refusal);
        }
        jobs.append(document);
        if (spooling) {
            sent.outcome = SentJob::Outcome::Taken;
            sent.id = 1000 + static_cast<int>(jobs.size());
            SpooledJob& job = stages[sent.id];
            job.id = sent.id;
            job.name = documentTitle();
            job.printer = sent.printer;
            job.createdSecs = QDateTime::currentSecsSinceEpoch();
            setLastJob(sent);
        }
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
