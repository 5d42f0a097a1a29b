// One card of the print record: the guest it was for (with the name as printed), the style, the
// printer, the spooler's job and where the card stands.
#pragma once

#include "core/store/CardState.h"

#include <QString>

struct PrintRecord
{
    qint64 id = 0; // RecordID: two cards for one guest in the same second are two records
    qint16 listId = 0;
    qint64 guestId = 0;
    QString name;    // as printed on the card
    QString printer; // the queue the card was handed to
    int jobId = 0;   // the spooler's id; 0 while sending, or for a printer that keeps no jobs
    QString title;   // the job's title at the spooler
    CardState state = CardState::Sending;
    bool jobUnknown = false; // the spooler no longer knows the job: `state` is the last it told
    QString sentAt;          // local time, "yyyy-MM-dd HH:mm:ss.zzz"
    QString note;            // the spooler's or the printer's words about a failure
};
