// The small block of state that every window shares for the life of the process: the data file,
// the current card style and the values one window leaves for another.
#pragma once

#include <QString>

struct SharedState
{
    QString DataFileName;
    QString DbConnectionString; // absolute path of the card database, fixed at start
    qint16 CurrentListID = 0;   // 0: no style chosen
    QString CurrentListName;
    bool AddingNew = false;
    QString NamedGuest;
    bool PrintNamedGuest = false;

    bool hasCurrentStyle() const { return CurrentListID > 0; }
};
