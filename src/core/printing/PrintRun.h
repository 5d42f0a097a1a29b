// The print run: one card per guest of the loaded style, in the order of the guest cursor, either
// automatically at a fixed pace (the print button pauses and continues) or one card per press; or
// one card for a guest picked by name; or the cards of chosen guests only. Every press has the one
// effect its caption promises, in the mode selected at that press. Every card handed to the printer
// goes into the print record; a run started on a style whose record shows printed cards asks
// whether to leave those guests out. The run owns its state, the cursor, the counters and the
// pacing timer, looks at the printer before each card, follows its jobs at the spooler, says in one
// sentence where it stands, reports failures through the message service and tells the window by a
// signal whenever something it shows has changed. It knows no widgets.
#pragma once

#include "core/cards/GuestFields.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/printing/PrintTarget.h"
#include "core/cards/SalutationRules.h"
#include "core/store/CardStore.h"
#include "core/store/PrintRecordStore.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <optional>

class CardPrinter;
class MessageService;
class QTimer;
class QWidget;

class PrintRun : public QObject
{
    Q_OBJECT

public:
    /// Where the run stands; the print button's caption shows it.
    enum class State
    {
        Ready,    // 开始打印: loaded, nothing printed yet
        Running,  // 暂停打印: a card every tick of Timer_Print
        Paused,   // 继续打印
        Stepping, // 打印下一份: a card per press
        Finished  // 开始打印, nothing more to print until the next load
    };
    /// The option selected when the print button is pressed.
    enum class Mode
    {
        Automatic, // a card every 4 seconds; a press pauses and continues
        OneByOne   // a card per press
    };

    PrintRun(CardStore& store, CardPrinter& printer, MessageService& messages, QObject* parent = nullptr);

    /// The window the run's messages are shown over.
    void setMessageParent(QWidget* window) { m_messageParent = window; }

    /// Ends whatever run was going on and loads style `listId` (0: none) for a fresh one: its
    /// guest-name setting, whether it has labels, its guest count and the cursor on its first
    /// guest. A style that cannot be read is reported. Returns whether it can be printed.
    bool load(qint16 listId, const QString& listName);
    /// Sets the counters to 0 after the loaded style was deleted.
    void forgetStyle();

    /// A press of the print button with `mode` selected: 暂停打印 pauses in either mode; any other
    /// caption starts or continues the run in `mode` (one card now, or the automatic pace).
    void press(Mode mode);
    /// Asks whether the program may end while a run is going (no card is produced while the
    /// question is open); true when no run is going or the answer is Yes.
    bool confirmQuit();
    /// Prepares a run of exactly one card, for guest `guestId` picked by name (`guest` with its
    /// fields); only while no run is going, so that no guest of a run is skipped by it.
    void prepareNamedGuest(qint64 guestId, const GuestFields& guest);
    /// Starts a run of just `guestIds` of the loaded style, in that order, in `mode`; while another
    /// run is going the user is told to finish it first.
    void printChosen(const QVector<qint64>& guestIds, Mode mode);
    /// Starts a run of just the guests whose last card failed, in print order, in `mode`.
    void printFailed(Mode mode);
    /// Asks the spooler about the cards still on their way and shows what it says.
    void refreshRecord();

    State state() const { return m_state; }
    /// The last load found labels and guests.
    bool printable() const { return m_printable; }
    /// A run has begun and not finished: Running, Paused or Stepping.
    bool isGoing() const;
    /// The style may be changed: no run is going, or the run paused so the style can be mended.
    bool styleChooserAllowed() const { return m_styleChooserAllowed; }

    qint16 styleId() const { return m_listId; }
    const QString& styleName() const { return m_listName; }
    int guestCount() const { return m_guestCount; }
    int printed() const { return m_printed; }
    const GuestCursor& cursor() const { return m_cursor; }
    const GuestNameSetting& guestNameSetting() const { return m_guestName; }
    const SalutationRules& salutationRules() const { return m_rules; }
    /// Cards of the run not printed yet.
    int remaining() const;
    /// The run's one-line status: one true sentence for the state it is in.
    QString status() const;
    /// What the loaded style prints on: printer, paper and calibration.
    const PrintTarget& target() const { return m_target; }
    /// The printer, paper and calibration of the loaded style as the status shows them; empty
    /// when no style is loaded.
    const QString& printerStatus() const { return m_printerStatus; }
    /// The loaded style's guests counted by their last card.
    const RecordSummary& record() const { return m_record; }
    /// Guests whose last card failed can be printed again now.
    bool canPrintFailed() const { return m_printable && !isGoing() && m_record.failed > 0; }

signals:
    /// The state, the counters, the status or what may be used changed.
    void changed();

private:
    /// Which guests the run prints.
    enum class Scope
    {
        WholeList, // every guest of the style
        Remaining, // those whose last card is neither printed nor on its way
        Chosen     // guests chosen in the guest list, or those whose cards failed
    };

    void tick();
    void printOneCard();
    /// Draws, records and sends `guest`'s card; the cursor after it, or why the card did not leave.
    Result<GuestCursor> produceCard(const QList<Label>& labels, const GuestFields& guest);
    /// Before the first card of a run on a style with printed cards: print only the others, all
    /// again, or nothing (false).
    bool chooseScope();
    /// The printer cannot print now (stopped, or refusing jobs): the run pauses and says why.
    bool printerHeldUp();
    /// Reads the record of the loaded style and of this run's cards again.
    void readRecord();
    QString recordText() const;
    void setState(State state);
    void finish();
    /// A card could not be produced: the run pauses, the card is neither counted nor skipped. When
    /// the style itself must be mended, the style chooser is opened up for that.
    enum class Mend
    {
        Printer,
        Style
    };
    void pauseAfterFailure(const QString& message, Mend mend = Mend::Printer);
    /// The question asked before the first card when something on the cards will not print as
    /// designed (see CardCheck); empty if nothing.
    QString problemsQuestion();
    /// Works out afresh what the style prints on; a message when it cannot be read.
    Status readTarget();

    CardStore& m_store;
    CardPrinter& m_printer;
    MessageService& m_messages;
    QWidget* m_messageParent = nullptr;
    QTimer* m_timerPrint = nullptr;

    qint16 m_listId = 0;
    QString m_listName;
    GuestNameSetting m_guestName;
    PrintTarget m_target;
    QString m_printerStatus;
    SalutationRules m_rules;
    PrintOrder m_order = PrintOrder::Entry; // of the loaded style
    GuestCursor m_cursor;
    int m_guestCount = 0;
    int m_printed = 0;
    bool m_printable = false;
    std::optional<GuestFields> m_namedGuest; // the one card of a named-guest print
    qint64 m_namedGuestId = 0;
    Scope m_scope = Scope::WholeList;
    QTimer* m_timerJobs = nullptr;
    RecordSummary m_record;      // the loaded style's guests by their last card
    RecordSummary m_runCards;    // the cards of this run by their state
    qint64 m_runFirstRecord = 0; // the record of this run's first card; 0 before it
    QString m_recordTrouble;     // the record of a card that has left could not be completed
    bool m_recordStale = false;  // cards were recorded since the style's record was last read
    State m_state = State::Ready;
    std::optional<QString> m_cardInProgress; // the guest whose card is being produced
    bool m_loadFailed = false;
    bool m_hasLabels = false;
    bool m_styleChooserAllowed = true;
    bool m_busy = false;            // a press, a card or a question is being handled; a tick waits
    bool m_pausedByFailure = false; // the pause was made by a card that could not be produced
};
