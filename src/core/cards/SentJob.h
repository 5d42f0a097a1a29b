// What became of a card handed to a printer: whether the spooler took it, under which job id, or
// refused it. The print record is written from this, so that it holds what really left the program.
#pragma once

#include <QString>

struct SentJob
{
    enum class Outcome
    {
        NotSent, // the document never reached the spooler (it could not be written, or nothing was drawn)
        Refused, // the spooler would not take it
        Taken    // the spooler took it as a job
    };

    Outcome outcome = Outcome::NotSent;
    QString printer;   // the queue that was given the card
    int id = 0;        // the spooler's job id; 0 for a printer that keeps no jobs
    bool done = false; // taken and already complete (a file written): there is nothing to follow
    QString refusal;   // why the spooler refused it, in its own words
};
