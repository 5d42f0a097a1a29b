// What the spooler says about a printer right now: stopped or not, accepting jobs or not, and why.
// A printer that is stopped keeps every job it is given waiting, so "the spooler took the card" is
// not "the card came out": the print run looks here before each card.
#pragma once

#include <QString>
#include <QStringList>

struct PrinterStatus
{
    bool known = false;    // the spooler answered for this printer
    bool stopped = false;  // paused by someone, or stopped by a fault
    bool accepting = true; // takes new jobs
    QStringList reasons;   // the spooler's keywords ("paused", "media-empty-error" ...), "none" left out
    QString message;       // the printer's own words

    /// A card sent now would not be printed: the printer is stopped or refuses jobs.
    bool blocksPrinting() const { return known && (stopped || !accepting); }

    /// The state, the reasons and the printer's words for the user, e.g.
    /// "已停止（原因：缺纸 media-empty-error，已被暂停 paused；打印机的说明：“Out of paper”）".
    QString describe() const;

    /// A reason keyword in Chinese, followed by the keyword itself so that it can be looked up.
    static QString reasonText(const QString& keyword);
};
