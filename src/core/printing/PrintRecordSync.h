// Brings the print record up to date with the spooler: a card the spooler finished becomes 已打印,
// one it aborted or cancelled 失败; a job it no longer knows keeps its last state and says so. A
// card written as 发送中 by a program that stopped before it heard the job id is settled here: the
// spooler's job with its title, made after it was written, is its job; with no such job in a
// history that reaches back before it, the card never left and its row goes.
#pragma once

#include "core/cards/SpooledJob.h"
#include "core/store/PrintRecord.h"
#include "core/store/Result.h"

#include <QList>
#include <QSet>

#include <optional>

class CardPrinter;
class CardStore;

struct RecordSync
{
    bool spoolerAnswered = false;
    int changed = 0;   // records whose state, job or note changed
    int stillOpen = 0; // cards the spooler may still change: worth asking again
};

class PrintRecordSync
{
public:
    PrintRecordSync(CardStore& store, CardPrinter& printer) : m_store(store), m_printer(printer) {}

    /// Asks the spooler once about every card that may still change and writes what it said, in
    /// one transaction.
    Result<RecordSync> refresh();

    /// Of `jobs`, the job that the card `sending` (written before it was handed over) became: the
    /// earliest with its title on its printer made after it was written, not held by another record.
    static std::optional<SpooledJob>
    jobOfSendingCard(const PrintRecord& sending, const QList<SpooledJob>& jobs, const QSet<int>& recorded);
    /// Whether the spooler's history reaches back before the card `sending` was written, so that a
    /// job it became could not have been forgotten since.
    static bool historyCovers(const PrintRecord& sending, const QList<SpooledJob>& jobs);

private:
    CardStore& m_store;
    CardPrinter& m_printer;
};
