// Fennick: prints personalised event cards onto the stationery in the default printer.
#include "core/app/AllocatorTuning.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"
#include "ui/app/QMessageBoxService.h"
#include "ui/app/QtFileChooser.h"
#include "ui/app/QtFontDialogService.h"
#include "ui/app/Session.h"
#include "ui/main/w_Main.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so it needs neither a display nor a data file.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("fennick %s\n", FENNICK_VERSION_STRING);
            return 0;
        }
    }

    tuneAllocatorForPages();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));
    QApplication::setApplicationVersion(QStringLiteral(FENNICK_VERSION_STRING));
    Startup::installFontSubstitutions();
    Startup::installQtTranslations();

    SharedState state;
    QMessageBoxService messages;
    if (!Startup::locateDataFile(state, messages))
        return 1;

    CardStore store(state.DbConnectionString);
    SystemCardPrinter printer;
    QtFontDialogService fonts;
    QtFileChooser files;
    Session session{state, store, printer, messages, fonts, files};
    w_Main mainWindow(session);
    mainWindow.open();
    return app.exec();
}
