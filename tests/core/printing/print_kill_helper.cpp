// The program at work printing a style through the real spooler, for a test that kills it at any
// moment: loads style 1 of DB, answers "only the guests left" when its record shows printed cards,
// and prints automatically, a card every INTERVAL milliseconds, until every card is handed over.
//   print_kill_helper DB INTERVAL [before|after N]
// With a last argument it stops at its Nth card, just before the card is handed to the spooler
// (its record already says 发送中) or just after the spooler took it (before the record has its
// job), prints "inside" and waits to be killed.
// Exits 0 once the run is finished (or nothing is left to print), 3 after any error message.
#include "core/app/MessageService.h"
#include "core/app/Startup.h"
#include "core/printing/PrintRun.h"
#include "core/printing/SystemCardPrinter.h"
#include "core/store/CardStore.h"

#include <QGuiApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct ResumingMessages : MessageService
{
    void critical(QWidget*, const QString&, const QString& text) override { fail(text); }
    void exclamation(QWidget*, const QString&, const QString& text) override { fail(text); }
    void information(QWidget*, const QString&, const QString&) override {}
    // Only "print everybody again?" is asked with Yes and No here: no.
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    // "Only the guests not printed yet?": yes.
    Answer questionWithCancel(QWidget*, const QString&, const QString&) override { return Answer::Yes; }

    static void fail(const QString& text)
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::exit(3);
    }
};

// The system printer, stopping at one card before or after the hand-over.
class StoppingPrinter : public SystemCardPrinter
{
public:
    StoppingPrinter(bool before, int card) : m_before(before), m_card(card) {}

protected:
    Status finishDocument() override
    {
        ++m_cards;
        if (m_before)
            stopAt();
        const Status sent = SystemCardPrinter::finishDocument();
        if (!m_before)
            stopAt();
        return sent;
    }

private:
    void stopAt()
    {
        if (m_cards != m_card)
            return;
        std::printf("inside\n");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    }

    bool m_before = false;
    int m_card = 0;
    int m_cards = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 5)
        return 2;
    Startup::installFontSubstitutions();
    CardStore store(QString::fromLocal8Bit(argv[1]));
    StoppingPrinter printer(argc == 5 && std::strcmp(argv[3], "before") == 0,
                            argc == 5 ? std::atoi(argv[4]) : 0);
    ResumingMessages messages;
    PrintRun run(store, printer, messages);
    if (!run.load(1, QStringLiteral("婚宴")))
        return 3;
    run.findChild<QTimer*>(QStringLiteral("Timer_Print"))->setInterval(std::atoi(argv[2]));
    QObject::connect(&run, &PrintRun::changed, &app, [&run] {
        if (run.state() == PrintRun::State::Finished)
            QCoreApplication::exit(0);
    });
    run.press(PrintRun::Mode::Automatic);
    if (run.state() == PrintRun::State::Ready)
        return 0; // everybody's card is printed or on its way
    return app.exec();
}
