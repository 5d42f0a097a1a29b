// Fennick: prints personalised event cards onto the stationery in the default printer.
#include "app/AllocatorTuning.h"
#include "app/MessageService.h"
#include "app/QMessageBoxService.h"
#include "app/Session.h"
#include "app/SharedState.h"
#include "app/Startup.h"
#include "labels/QtFontDialogService.h"
#include "printing/SystemCardPrinter.h"
#include "printing/w_Main.h"
#include "store/CardStore.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    tuneAllocatorForPages();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));
    QApplication::setApplicationVersion(QStringLiteral(FENNICK_VERSION_STRING));
    Startup::installFontSubstitutions();

    SharedState state;
    QMessageBoxService messages;
    if (!Startup::locateDataFile(state, messages))
        return 1;

    CardStore store(state.DbConnectionString);
    SystemCardPrinter printer;
    QtFontDialogService fonts;
    Session session{state, store, printer, messages};
    session.fonts = &fonts;
    w_Main mainWindow(session);
    mainWindow.open();
    return app.exec();
}
