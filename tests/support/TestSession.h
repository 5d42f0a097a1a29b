// A complete session for window tests: a temporary database, a fake printer, scripted message boxes,
// font and file dialogs, and shared state with the data file set as start-up sets it.
#pragma once

#include "core/app/SharedState.h"
#include "core/store/CardStore.h"
#include "support/FakePrinter.h"
#include "support/ScriptedFiles.h"
#include "support/ScriptedFonts.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "ui/app/Session.h"

struct TestSession
{
    TestSession() : store(db.path()), session{state, store, printer, messages, fonts, files}
    {
        state.DataFileName = QStringLiteral("Date_D.dat");
        state.DbConnectionString = db.path();
        store.setBusyTimeoutMs(200);
    }

    /// Makes style `listId` current as the style chooser does.
    void choose(qint16 listId, const QString& name)
    {
        state.CurrentListID = listId;
        state.CurrentListName = name;
    }

    TestDatabase db;
    SharedState state;
    CardStore store;
    FakePrinter printer;
    ScriptedMessages messages;
    ScriptedFonts fonts;
    ScriptedFiles files;
    Session session;
};
