// One job as the spooler keeps it: how far it has come, its title, the printer and when it was made.
// The print record follows its cards through these until they are printed or have failed.
#pragma once

#include <QString>

struct SpooledJob
{
    enum class Stage
    {
        Waiting, // pending, held or being printed
        Printed, // completed by the spooler
        Failed   // aborted, cancelled, or stopped until someone acts
    };

    int id = 0;
    Stage stage = Stage::Waiting;
    QString name;           // the job's title
    QString printer;        // the queue it was sent to
    qint64 createdSecs = 0; // when the spooler made it, seconds since 1970 (UTC)
    QString message;        // what the printer said about it, for a failed job
};
