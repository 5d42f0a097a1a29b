// The queries of the print record: a row for every card handed to a printer, written in two steps
// around the hand-over (发送中 before, the job id after) so that a crash between them neither loses
// a card nor records one that was not sent; what the spooler later says of each job; and the
// guests by their last card, for the main window, the resumed run and the guest list.
#pragma once

#include "core/cards/SentJob.h"
#include "core/store/PrintRecord.h"
#include "core/store/Result.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QVector>

#include <optional>

class CardStore;

/// The guests of a style counted by their last card.
struct RecordSummary
{
    int guests = 0;      // the style's guests
    int printed = 0;     // last card 已打印
    int queued = 0;      // 已排队
    int sending = 0;     // 发送中: not yet settled with the spooler
    int failed = 0;      // 失败
    int spoiled = 0;     // 作废
    int unknownJobs = 0; // of those queued or sending, the spooler no longer knows the job

    /// Guests whose card may still come out, or has: a resumed run leaves them out.
    int onItsWay() const { return printed + queued + sending; }
    /// Guests a resumed run prints.
    int toPrint() const { return guests - onItsWay(); }
    bool operator==(const RecordSummary& other) const;
    bool operator!=(const RecordSummary& other) const { return !(*this == other); }
};

/// What the spooler said about one card: its new state, job, or that it never reached the spooler.
struct RecordUpdate
{
    qint64 recordId = 0;
    bool remove = false; // the card was never handed over
    CardState state = CardState::Queued;
    int jobId = 0;
    bool jobUnknown = false;
    QString note;
};

class PrintRecordStore
{
public:
    explicit PrintRecordStore(CardStore& store) : m_store(store) {}

    /// How times are written: local time to the millisecond.
    static QString timeText(const QDateTime& time);
    /// A time as written, back as a moment; invalid when it cannot be read.
    static QDateTime timeFrom(const QString& text);

    /// Writes `card` as 发送中, committed, before it is handed over; the record's id.
    Result<qint64> beginCard(const PrintRecord& card);
    /// The hand-over of record `recordId` is over: the spooler took it (已排队, or 已打印 when it was
    /// finished at once), refused it (失败 with its words), or never saw it (the record goes).
    Status finishCard(qint64 recordId, const SentJob& job);

    /// The cards the spooler may still change (发送中 and 已排队), of every style.
    Result<QList<PrintRecord>> openRecords();
    /// Of `jobIds`, those some record already holds.
    Result<QSet<int>> recordedJobs(const QList<int>& jobIds);
    /// Writes what the spooler said, all or nothing.
    Status apply(const QList<RecordUpdate>& updates);

    /// The style's guests counted by their last card.
    Result<RecordSummary> summary(qint16 listId);
    /// The guests with cards from record `firstRecordId` on (one run's cards), counted by the last
    /// of those cards: a card refused and then printed again counts once, as printed.
    Result<RecordSummary> cardsSince(qint16 listId, qint64 firstRecordId);
    /// The style's guests whose last card is in one of `states`, in the order they were entered
    /// (cards of guests no longer there included: callers match them against the guests).
    Result<QVector<qint64>> guestsWhoseLastCardIs(qint16 listId, const QList<CardState>& states);
    /// The style's guests that have a card in the record, in the order they were entered.
    Result<QVector<qint64>> guestsWithCards(qint16 listId);
    /// The last card of each of `guestIds` (of style `listId`) that has one, for rows of the grid.
    Result<QHash<qint64, PrintRecord>> lastCards(qint16 listId, const QVector<qint64>& guestIds);

    /// Marks the last card of each of `guestIds` spoiled (作废); how many were marked (a guest
    /// without a card has nothing to mark).
    Result<int> markSpoiled(qint16 listId, const QVector<qint64>& guestIds);
    /// Forgets every card of the style, all or nothing.
    Status clear(qint16 listId);

private:
    CardStore& m_store;
};
