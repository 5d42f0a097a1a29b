#include "core/store/PrintRecordStore.h"

#include "core/store/CardStore.h"
#include "core/store/Snapshots.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

PrintRecord recordFrom(const QSqlQuery& query)
{
    PrintRecord record;
    record.id = query.value(0).toLongLong();
    record.listId = static_cast<qint16>(query.value(1).toInt());
    record.guestId = query.value(2).toLongLong();
    record.name = query.value(3).toString();
    record.printer = query.value(4).toString();
    record.jobId = query.value(5).toInt();
    record.title = query.value(6).toString();
    record.state = CardStates::fromText(query.value(7).toString()).value_or(CardState::Failed);
    record.jobUnknown = query.value(8).toInt() != 0;
    record.sentAt = query.value(9).toString();
    record.note = query.value(10).toString();
    return record;
}

const QString kColumns = QStringLiteral(
    "RecordID, ListID, GuestID, Name, Printer, JobID, JobTitle, State, JobUnknown, SentAt, Note");

QString marks(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

} // namespace

bool RecordSummary::operator==(const RecordSummary& other) const
{
    return guests == other.guests && printed == other.printed && queued == other.queued &&
           sending == other.sending && failed == other.failed && spoiled == other.spoiled &&
           unknownJobs == other.unknownJobs;
}

QString PrintRecordStore::timeText(const QDateTime& time)
{
    return time.toLocalTime().toString(kTimeFormat);
}

QDateTime PrintRecordStore::timeFrom(const QString& text)
{
    return QDateTime::fromString(text, kTimeFormat);
}

Result<qint64> PrintRecordStore::beginCard(const PrintRecord& card)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    // One statement, committed on its own before the card leaves; the table's triggers keep the
    // guest's last card marked.
    if (Status s = m_store.exec(
            query,
            QStringLiteral(
                "INSERT INTO PrintRecord (ListID, GuestID, Name, Printer, JobTitle, State, SentAt) "
                "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {card.listId, card.guestId, card.name.isNull() ? QStringLiteral("") : card.name,
             card.printer.isNull() ? QStringLiteral("") : card.printer,
             card.title.isNull() ? QStringLiteral("") : card.title, CardStates::text(CardState::Sending),
             card.sentAt});
        !s.isOk())
        return s;
    return query.lastInsertId().toLongLong();
}

Status PrintRecordStore::finishCard(qint64 recordId, const SentJob& job)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    switch (job.outcome) {
    case SentJob::Outcome::Taken:
        return m_store.exec(query,
                            QStringLiteral("UPDATE PrintRecord SET JobID = ?, State = ?, "
                                           "Printer = CASE WHEN ? = '' THEN Printer ELSE ? END "
                                           "WHERE RecordID = ?"),
                            {job.id, CardStates::text(job.done ? CardState::Printed : CardState::Queued),
                             job.printer.isNull() ? QStringLiteral("") : job.printer,
                             job.printer.isNull() ? QStringLiteral("") : job.printer, recordId});
    case SentJob::Outcome::Refused:
        return m_store.exec(query,
                            QStringLiteral("UPDATE PrintRecord SET State = ?, Note = ? WHERE RecordID = ?"),
                            {CardStates::text(CardState::Failed),
                             job.refusal.isNull() ? QStringLiteral("") : job.refusal, recordId});
    case SentJob::Outcome::NotSent:
        break;
    }
    return m_store.exec(query, QStringLiteral("DELETE FROM PrintRecord WHERE RecordID = ?"), {recordId});
}

Result<QList<PrintRecord>> PrintRecordStore::openRecords()
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query, QStringLiteral("SELECT %1 FROM PrintRecord WHERE State IN ('发送中', '已排队') "
                                  "ORDER BY RecordID")
                       .arg(kColumns));
        !s.isOk())
        return s;
    QList<PrintRecord> records;
    while (query.next())
        records.append(recordFrom(query));
    return records;
}

Result<QSet<int>> PrintRecordStore::recordedJobs(const QList<int>& jobIds)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSet<int> recorded;
    QSqlQuery query(m_store.database());
    for (const int id : jobIds) {
        if (Status s = m_store.exec(
                query, QStringLiteral("SELECT 1 FROM PrintRecord WHERE JobID = ? LIMIT 1"), {id});
            !s.isOk())
            return s;
        if (query.next())
            recorded.insert(id);
    }
    return recorded;
}

Status PrintRecordStore::apply(const QList<RecordUpdate>& updates)
{
    if (updates.isEmpty())
        return Status::ok();
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        for (const RecordUpdate& update : updates) {
            // Only cards still open change: a card marked spoiled meanwhile stays spoiled.
            const Status done =
                update.remove
                    ? m_store.exec(
                          query,
                          QStringLiteral("DELETE FROM PrintRecord WHERE RecordID = ? AND State = '发送中'"),
                          {update.recordId})
                    : m_store.exec(
                          query,
                          QStringLiteral("UPDATE PrintRecord SET State = ?, JobID = ?, JobUnknown = ?, "
                                         "Note = ? WHERE RecordID = ? AND State IN ('发送中', '已排队')"),
                          {CardStates::text(update.state), update.jobId, update.jobUnknown ? 1 : 0,
                           update.note.isNull() ? QStringLiteral("") : update.note, update.recordId});
            if (!done.isOk())
                return done;
        }
        return Status::ok();
    });
}

namespace {

void countInto(RecordSummary& summary, const QString& state, bool jobUnknown, int count)
{
    switch (CardStates::fromText(state).value_or(CardState::Failed)) {
    case CardState::Sending:
        summary.sending += count;
        break;
    case CardState::Queued:
        summary.queued += count;
        break;
    case CardState::Printed:
        summary.printed += count;
        break;
    case CardState::Failed:
        summary.failed += count;
        break;
    case CardState::Spoiled:
        summary.spoiled += count;
        break;
    }
    if (jobUnknown)
        summary.unknownJobs += count;
}

} // namespace

Result<RecordSummary> PrintRecordStore::cardsSince(qint16 listId, qint64 firstRecordId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT State, JobUnknown, count(*) FROM (SELECT GuestID, State, "
                                        "JobUnknown, max(RecordID) FROM PrintRecord WHERE ListID = ? AND "
                                        "RecordID >= ? GROUP BY GuestID) GROUP BY State, JobUnknown"),
                         {listId, firstRecordId});
        !s.isOk())
        return s;
    RecordSummary cards;
    while (query.next())
        countInto(cards, query.value(0).toString(), query.value(1).toInt() != 0, query.value(2).toInt());
    return cards;
}

Result<RecordSummary> PrintRecordStore::summary(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    RecordSummary summary;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query, QStringLiteral("SELECT count(*) FROM Guests WHERE ListID = ?"), {listId});
        !s.isOk())
        return s;
    summary.guests = query.next() ? query.value(0).toInt() : 0;
    // Cards of guests no longer there (left by other tools) are not counted.
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT r.State, r.JobUnknown, count(*) FROM PrintRecord r "
                                        "JOIN Guests g ON g.GuestID = r.GuestID AND g.ListID = r.ListID "
                                        "WHERE r.ListID = ? AND r.Last = 1 GROUP BY r.State, r.JobUnknown"),
                         {listId});
        !s.isOk())
        return s;
    while (query.next())
        countInto(summary, query.value(0).toString(), query.value(1).toInt() != 0, query.value(2).toInt());
    return summary;
}

Result<QVector<qint64>> PrintRecordStore::guestsWhoseLastCardIs(qint16 listId, const QList<CardState>& states)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QVariantList values{listId};
    for (const CardState state : states)
        values << CardStates::text(state);
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT GuestID FROM PrintRecord WHERE ListID = ? AND Last = 1 AND "
                                        "State IN (%1) ORDER BY GuestID")
                             .arg(marks(states.size())),
                         values);
        !s.isOk())
        return s;
    QVector<qint64> guests;
    while (query.next())
        guests.append(query.value(0).toLongLong());
    return guests;
}

Result<QVector<qint64>> PrintRecordStore::guestsWithCards(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(
            query,
            QStringLiteral("SELECT DISTINCT GuestID FROM PrintRecord WHERE ListID = ? ORDER BY GuestID"),
            {listId});
        !s.isOk())
        return s;
    QVector<qint64> guests;
    while (query.next())
        guests.append(query.value(0).toLongLong());
    return guests;
}

Result<QHash<qint64, PrintRecord>> PrintRecordStore::lastCards(qint16 listId, const QVector<qint64>& guestIds)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QHash<qint64, PrintRecord> cards;
    if (guestIds.isEmpty())
        return cards;
    QVariantList values{listId};
    for (const qint64 id : guestIds)
        values << id;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT %1 FROM PrintRecord WHERE ListID = ? AND Last = 1 AND "
                                               "GuestID IN (%2)")
                                    .arg(kColumns, marks(guestIds.size())),
                                values);
        !s.isOk())
        return s;
    while (query.next()) {
        const PrintRecord record = recordFrom(query);
        cards.insert(record.guestId, record);
    }
    return cards;
}

Result<int> PrintRecordStore::markSpoiled(qint16 listId, const QVector<qint64>& guestIds)
{
    int marked = 0;
    const Status done = m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        for (const qint64 id : guestIds) {
            if (Status s = m_store.exec(
                    query,
                    QStringLiteral("UPDATE PrintRecord SET State = '作废' WHERE ListID = ? AND GuestID = ? "
                                   "AND Last = 1 AND State != '作废'"),
                    {listId, id});
                !s.isOk())
                return s;
            marked += query.numRowsAffected() > 0 ? 1 : 0;
        }
        return Status::ok();
    });
    if (!done.isOk())
        return done;
    return marked;
}

Status PrintRecordStore::clear(qint16 listId)
{
    // What was printed cannot be told again once cleared: a snapshot first, as before any deletion.
    if (Status s = Snapshots(m_store).before(QStringLiteral("清除打印记录"), listId); !s.isOk())
        return s;
    return m_store.inTransaction([&]() -> Status {
        QSqlQuery query(m_store.database());
        return m_store.exec(query, QStringLiteral("DELETE FROM PrintRecord WHERE ListID = ?"), {listId});
    });
}
