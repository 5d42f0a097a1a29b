// The main window: shows the current card style, its guest count and the run's progress, and opens
// every other window.
#pragma once

#include "printing/StyleLoad.h"
#include "store/CardStore.h"

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

protected:
    void changeEvent(QEvent* event) override;

private:
    void onLoadTimer();
    void onStyleChooserClicked();
    void setPrintButtonsEnabled(bool enabled);

    std::unique_ptr<Ui::w_Main> m_ui;
    Session& m_session;
    QTimer* m_timerLoad = nullptr;
    QTimer* m_timerPrint = nullptr;
    QSize m_designedSize;

    GuestNameSetting m_guestName;
    GuestCursor m_cursor;
    int m_guestCount = 0;
};
