// The spooler of the system (CUPS) as the printer backend needs it: hand a file over as one job,
// list the jobs it keeps, and say how a printer is. Each call is one IPP request.
#pragma once

#include "core/cards/PrinterStatus.h"
#include "core/cards/SpooledJob.h"
#include "core/store/Result.h"

#include <QList>
#include <QPair>
#include <QString>

class CupsSpooler
{
public:
    using Options = QList<QPair<QByteArray, QByteArray>>;

    /// Hands `file` to `queue` as one job titled `title`, in a single request: the spooler makes the
    /// job only once the whole file has arrived, so a program that dies while sending leaves no
    /// job behind. The job's id, or the spooler's reason for refusing it.
    static Result<int> printFile(const QString& queue, const QString& file, const QString& title,
                                 const Options& options);

    /// Every job the spooler still keeps, of every queue and user.
    static Result<QList<SpooledJob>> jobs();

    /// How `queue` is now; not known when the spooler does not answer or has no such queue.
    static PrinterStatus printerStatus(const QString& queue);
};
