#include "core/printing/PrintRecordSync.h"

#include "core/cards/CardPrinter.h"
#include "core/store/PrintRecordStore.h"

#include <QHash>

namespace {

// The spooler stamps jobs in whole seconds; the record in milliseconds, a moment before the job.
constexpr qint64 kClockSlackSecs = 2;

qint64 sentSecs(const PrintRecord& record)
{
    const QDateTime sent = PrintRecordStore::timeFrom(record.sentAt);
    return sent.isValid() ? sent.toSecsSinceEpoch() : 0;
}

CardState stateOf(SpooledJob::Stage stage)
{
    switch (stage) {
    case SpooledJob::Stage::Printed:
        return CardState::Printed;
    case SpooledJob::Stage::Failed:
        return CardState::Failed;
    case SpooledJob::Stage::Waiting:
        break;
    }
    return CardState::Queued;
}

bool sameQueue(const QString& a, const QString& b)
{
    return a.section(QLatin1Char('/'), 0, 0)
               .compare(b.section(QLatin1Char('/'), 0, 0), Qt::CaseInsensitive) == 0;
}

RecordUpdate updateFrom(const PrintRecord& record, const SpooledJob& job)
{
    RecordUpdate update;
    update.recordId = record.id;
    update.state = stateOf(job.stage);
    update.jobId = job.id;
    update.note = job.stage == SpooledJob::Stage::Failed ? job.message : record.note;
    return update;
}

bool changes(const PrintRecord& record, const RecordUpdate& update)
{
    return update.remove || update.state != record.state || update.jobId != record.jobId ||
           update.jobUnknown != record.jobUnknown || update.note != record.note;
}

} // namespace

std::optional<SpooledJob> PrintRecordSync::jobOfSendingCard(const PrintRecord& sending,
                                                            const QList<SpooledJob>& jobs,
                                                            const QSet<int>& recorded)
{
    const qint64 written = sentSecs(sending);
    std::optional<SpooledJob> found;
    for (const SpooledJob& job : jobs) {
        if (job.name != sending.title || recorded.contains(job.id) ||
            job.createdSecs < written - kClockSlackSecs)
            continue;
        if (!job.printer.isEmpty() && !sending.printer.isEmpty() && !sameQueue(job.printer, sending.printer))
            continue;
        if (!found || job.createdSecs < found->createdSecs ||
            (job.createdSecs == found->createdSecs && job.id < found->id))
            found = job;
    }
    return found;
}

bool PrintRecordSync::historyCovers(const PrintRecord& sending, const QList<SpooledJob>& jobs)
{
    // The spooler forgets its oldest jobs first: one older than the card means the card's would
    // still be there.
    const qint64 written = sentSecs(sending);
    for (const SpooledJob& job : jobs) {
        if (job.createdSecs > 0 && job.createdSecs < written - kClockSlackSecs)
            return true;
    }
    return false;
}

Result<RecordSync> PrintRecordSync::refresh()
{
    PrintRecordStore records(m_store);
    const Result<QList<PrintRecord>> open = records.openRecords();
    if (!open.isOk())
        return Status::failure(open.error());
    RecordSync result;
    if (open.value().isEmpty()) {
        result.spoolerAnswered = true;
        return result;
    }
    const Result<QList<SpooledJob>> jobs = m_printer.spooledJobs();
    if (!jobs.isOk()) {
        // Nothing can be learnt now; every open card stays as it is and is asked about again.
        result.stillOpen = static_cast<int>(open.value().size());
        return result;
    }
    result.spoolerAnswered = true;

    QHash<int, SpooledJob> byId;
    QList<int> titled; // jobs some sending card could be
    for (const PrintRecord& record : open.value()) {
        if (record.state != CardState::Sending)
            continue;
        for (const SpooledJob& job : jobs.value()) {
            if (job.name == record.title)
                titled << job.id;
        }
    }
    for (const SpooledJob& job : jobs.value())
        byId.insert(job.id, job);
    Result<QSet<int>> recorded = records.recordedJobs(titled);
    if (!recorded.isOk())
        return Status::failure(recorded.error());

    QList<RecordUpdate> updates;
    for (const PrintRecord& record : open.value()) {
        RecordUpdate update;
        update.recordId = record.id;
        update.state = record.state;
        update.jobId = record.jobId;
        update.note = record.note;
        if (record.state == CardState::Sending) {
            if (const std::optional<SpooledJob> job =
                    jobOfSendingCard(record, jobs.value(), recorded.value())) {
                recorded.value().insert(job->id);
                update = updateFrom(record, *job);
            } else if (historyCovers(record, jobs.value())) {
                update.remove = true; // the program stopped before the card reached the spooler
            } else {
                update.jobUnknown = true; // cannot tell: the card may have left
            }
        } else {
            const auto job = byId.constFind(record.jobId);
            // An id the spooler has given again to another job (its history was wiped) is not ours.
            const bool ours = job != byId.constEnd() &&
                              (job->name.isEmpty() || record.title.isEmpty() || job->name == record.title);
            if (record.jobId > 0 && ours)
                update = updateFrom(record, *job);
            else
                update.jobUnknown = true;
        }
        if (changes(record, update)) {
            updates << update;
            ++result.changed;
        }
        if (!update.remove && (update.state == CardState::Sending || update.state == CardState::Queued) &&
            !update.jobUnknown)
            ++result.stillOpen;
    }
    if (Status applied = records.apply(updates); !applied.isOk())
        return Status::failure(applied.error());
    return result;
}
