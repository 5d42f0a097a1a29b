// The label and print settings window: the labels of the current style in an editable grid, and
// the guest-name setting (where and in which font each guest's name is printed).
#pragma once

#include "core/cards/FontChoice.h"

#include <QDialog>

#include <memory>

class LabelGridModel;
class QModelIndex;
class QTimer;
struct Session;

namespace Ui {
class w_PRNSet;
}

class w_PRNSet : public QDialog
{
    Q_OBJECT

public:
    explicit w_PRNSet(Session& session, QWidget* parent = nullptr);
    ~w_PRNSet() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void loadGuestName();
    /// Reads the grid afresh; false (after a message) when the labels cannot be read.
    bool refreshGrid();
    void changeLabel(const QModelIndex& index);
    void addLabels();
    void moveLabels();
    void clearLabels();
    void chooseFont();
    void save();
    void deleteSelectedRows();
    void setLabelButtonsEnabled(bool enabled);

    std::unique_ptr<Ui::w_PRNSet> m_ui;
    Session& m_session;
    LabelGridModel* m_grid = nullptr;
    QTimer* m_timer1 = nullptr;
    FontChoice m_dialogFont; // what the font dialog opens on: its preset, then the last choice
};
