// The small block of state that every window shares for the life of the process: the data file and
// the current card style, which the style chooser sets and the other windows work on.
#pragma once

#include <QString>

struct SharedState
{
    QString DataFileName;
    QString DbConnectionString; // absolute path of the card database, fixed at start
    qint16 CurrentListID = 0;   // 0: no style chosen
    QString CurrentListName;

    bool hasCurrentStyle() const { return CurrentListID > 0; }
};
