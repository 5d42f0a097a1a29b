// The main window: shows the current card style, its guest count and the run's progress, and opens
// every other window.
#pragma once

#include "core/printing/StyleLoad.h"
#include "core/store/CardStore.h"

#include <QWidget>

#include <memory>

class QTimer;
struct Session;

namespace Ui {
class w_Main;
}

class w_Main : public QWidget
{
    Q_OBJECT

public:
    explicit w_Main(Session& session, QWidget* parent = nullptr);
    ~w_Main() override;

    /// Warns when no printer is installed, then shows the window; the first load follows shortly.
    void open();

    /// Makes the window reload the current style shortly (switches `Timer_Load` on).
    void requestReload();
    /// Empties the style display after the current style was deleted.
    void clearStyleDisplay();

    const GuestNameSetting& guestNameSetting() const { return m_guestName; }
    const GuestCursor& guestCursor() const { return m_cursor; }

    /// Where the print run stands; the print button's caption shows it.
    enum class RunState
    {
        Ready,    // 开始打印: loaded, nothing printed yet
        Running,  // 暂停打印: a card every tick of Timer_Print
        Paused,   // 继续打印
        Stepping, // 打印下一份: a card per click
        Finished  // 开始打印, disabled until the next load
    };
    RunState runState() const { return m_runState; }

    /// Prepares a run of exactly one card, for the guest picked by name: 1 guest, 0 printed.
    void prepareNamedGuestPrint(const QString& name);

protected:
    void changeEvent(QEvent* event) override;

private:
    void onLoadTimer();
    void onStyleChooserClicked();
    void setPrintButtonsEnabled(bool enabled);

    void onPrintClicked();
    void onPrintTimer();
    void onNamePrintClicked();
    /// Produces the card of the guest under the cursor (or of the named guest) and moves on.
    void printOneCard();
    void setRunState(RunState state);
    void finishRun();
    /// A card could not be produced: the run pauses, the card is neither counted nor skipped. When the
    /// style itself must be mended, the style chooser is opened up for that.
    enum class Mend
    {
        Printer,
        Style
    };
    void pauseAfterFailure(const QString& message, Mend mend = Mend::Printer);

    std::unique_ptr<Ui::w_Main> m_ui;
    Session& m_session;
    QTimer* m_timerLoad = nullptr;
    QTimer* m_timerPrint = nullptr;
    QSize m_designedSize;

    GuestNameSetting m_guestName;
    GuestCursor m_cursor;
    int m_guestCount = 0;
    int m_printed = 0;
    RunState m_runState = RunState::Ready;
    bool m_busy = false; // a click or a card is being handled; a tick in between waits for the next
    bool m_failedWhileStepping = false; // paused by a failed card in the one-card mode
};
