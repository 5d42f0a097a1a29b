// The print run: one card per guest of the loaded style, in the order of the guest cursor, either
// automatically at a fixed pace (the print button pauses and continues) or one card per press; or
// one card for a guest picked by name. The run owns its state, the cursor, the counters and the
// pacing timer, reports failures through the message service and tells the window by a signal
// whenever something it shows has changed. It knows no widgets.
#pragma once

#include "core/cards/GuestNameSetting.h"
#include "core/store/CardStore.h"

#include <QObject>
#include <QString>

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

    /// A press of the print button with `mode` selected.
    void press(Mode mode);
    /// Prepares a run of exactly one card, for the guest picked by `name`; only while no run is
    /// going, so that no guest of a run is skipped by it.
    void prepareNamedGuest(const QString& name);

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
    /// The run's one-line status; empty until the first press or pick.
    const QString& status() const { return m_status; }

signals:
    /// The state, the counters, the status or what may be used changed.
    void changed();

private:
    void tick();
    void printOneCard();
    void setState(State state);
    void setStatus(const QString& status);
    void finish();
    /// A card could not be produced: the run pauses, the card is neither counted nor skipped. When
    /// the style itself must be mended, the style chooser is opened up for that.
    enum class Mend
    {
        Printer,
        Style
    };
    void pauseAfterFailure(const QString& message, Mend mend = Mend::Printer);
    /// The question asked before the first card when characters cannot be printed; empty if none.
    QString unprintableQuestion();

    CardStore& m_store;
    CardPrinter& m_printer;
    MessageService& m_messages;
    QWidget* m_messageParent = nullptr;
    QTimer* m_timerPrint = nullptr;

    qint16 m_listId = 0;
    QString m_listName;
    GuestNameSetting m_guestName;
    GuestCursor m_cursor;
    int m_guestCount = 0;
    int m_printed = 0;
    bool m_printable = false;
    std::optional<QString> m_namedGuest; // the one card of a named-guest print
    State m_state = State::Ready;
    QString m_status;
    bool m_styleChooserAllowed = true;
    bool m_busy = false;                // a press or a card is being handled; a tick in between waits
    bool m_failedWhileStepping = false; // paused by a failed card in the one-card mode
};
