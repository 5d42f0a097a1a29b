// The main window: shows the loaded card style, its guest count and the run's progress, drives the
// print run with its print button and opens every other window. The run itself is a core engine;
// the window only shows its state and forwards clicks.
#pragma once

#include "core/printing/PrintRun.h"

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

    /// Warns when no printer is installed or the data file is open read-only, then shows the
    /// window; the first load follows shortly.
    void open();

    /// Makes the window reload the current style shortly (switches `Timer_Load` on).
    void requestReload();

    /// The print run the window shows and drives.
    PrintRun& run() { return *m_run; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onLoadTimer();
    void showRun();
    void onPrintClicked();
    void openStyleChooser();
    void openNewStyle();
    void onStyleDeleted();
    void onDataRestored();
    void onNamePrintClicked();
    /// The option selected for how cards are printed.
    PrintRun::Mode mode() const;

    std::unique_ptr<Ui::w_Main> m_ui;
    Session& m_session;
    PrintRun* m_run = nullptr;
    QTimer* m_timerLoad = nullptr;
    QSize m_designedSize;
};
