#include "core/printing/CupsSpooler.h"

#include <QFile>

#include <cups/cups.h>

#include <cstring>
#include <iterator>

namespace {

bool answered(const ipp_t* response)
{
    return response && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

QByteArray printerUri(const QString& queue)
{
    char uri[HTTP_MAX_URI];
    // A printer instance ("queue/instance") is printed on its queue.
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.section(QLatin1Char('/'), 0, 0).toUtf8().constData());
    return QByteArray(uri);
}

SpooledJob::Stage stageOf(int state)
{
    switch (state) {
    case IPP_JSTATE_COMPLETED:
        return SpooledJob::Stage::Printed;
    case IPP_JSTATE_CANCELED:
    case IPP_JSTATE_ABORTED:
    case IPP_JSTATE_STOPPED: // a filter fault: the job waits until someone acts
        return SpooledJob::Stage::Failed;
    default:
        return SpooledJob::Stage::Waiting;
    }
}

} // namespace

Result<int> CupsSpooler::printFile(const QString& queue, const QString& file, const QString& title,
                                   const Options& options)
{
    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& option : options)
        count = cupsAddOption(option.first.constData(), option.second.constData(), count, &cupsOptions);
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    const QByteArray uri = printerUri(queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.toUtf8().constData());
    cupsEncodeOptions2(request, count, cupsOptions, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, count, cupsOptions, IPP_TAG_JOB);
    cupsFreeOptions(count, cupsOptions);
    const QByteArray resource = "/printers/" + queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    ipp_t* response = cupsDoFileRequest(CUPS_HTTP_DEFAULT, request, resource.constData(),
                                        QFile::encodeName(file).constData());
    int job = 0;
    if (answered(response)) {
        if (ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
            job = ippGetInteger(id, 0);
    }
    const QString why = QString::fromUtf8(cupsLastErrorString());
    ippDelete(response);
    if (job <= 0)
        return Status::failure(why);
    return job;
}

Result<QList<SpooledJob>> CupsSpooler::jobs()
{
    static const char* const wanted[] = {"job-id",          "job-state",        "job-name",
                                         "job-printer-uri", "time-at-creation", "job-printer-state-message"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!answered(response)) {
        const QString why = QString::fromUtf8(cupsLastErrorString());
        ippDelete(response);
        return Status::failure(QStringLiteral("打印系统没有回答打印任务的状态：%1").arg(why));
    }
    QList<SpooledJob> jobs;
    SpooledJob job;
    const auto keep = [&] {
        if (job.id > 0)
            jobs.append(job);
        job = SpooledJob{};
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        const char* name = ippGetName(a);
        if (!name) { // the attributes of the next job follow
            keep();
            continue;
        }
        if (!std::strcmp(name, "job-id"))
            job.id = ippGetInteger(a, 0);
        else if (!std::strcmp(name, "job-state"))
            job.stage = stageOf(ippGetInteger(a, 0));
        else if (!std::strcmp(name, "job-name"))
            job.name = QString::fromUtf8(ippGetString(a, 0, nullptr));
        else if (!std::strcmp(name, "job-printer-uri"))
            job.printer = QString::fromUtf8(ippGetString(a, 0, nullptr)).section(QLatin1Char('/'), -1);
        else if (!std::strcmp(name, "time-at-creation"))
            job.createdSecs = ippGetInteger(a, 0);
        else if (!std::strcmp(name, "job-printer-state-message"))
            job.message = QString::fromUtf8(ippGetString(a, 0, nullptr));
    }
    keep();
    ippDelete(response);
    return jobs;
}

PrinterStatus CupsSpooler::printerStatus(const QString& queue)
{
    static const char* const wanted[] = {"printer-state", "printer-state-reasons", "printer-state-message",
                                         "printer-is-accepting-jobs"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const QByteArray uri = printerUri(queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    PrinterStatus status;
    if (answered(response)) {
        status.known = true;
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
            status.stopped = ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD)) {
            for (int i = 0; i < ippGetCount(a); ++i) {
                const QString reason = QString::fromUtf8(ippGetString(a, i, nullptr));
                if (reason != QLatin1String("none"))
                    status.reasons << reason;
            }
        }
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
            status.message = QString::fromUtf8(ippGetString(a, 0, nullptr));
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
            status.accepting = ippGetBoolean(a, 0);
    }
    ippDelete(response);
    return status;
}
