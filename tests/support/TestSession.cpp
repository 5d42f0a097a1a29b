#include "support/TestSession.h"

TestSession::TestSession() : store(db.path()), session{state, store, printer, messages, fonts, files}
{
    state.DataFileName = QStringLiteral("Date_D.dat");
    state.DbConnectionString = db.path();
    store.setBusyTimeoutMs(200);
}

void TestSession::choose(qint16 listId, const QString& name)
{
    state.CurrentListID = listId;
    state.CurrentListName = name;
}
