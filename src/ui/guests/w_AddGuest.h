// The guest list window: adds guests one after another, changes a guest loaded by a double-click,
// deletes guests selected in the grid with the Delete key and clears the style's whole list. It
// shows each guest's last card (打印状态), shows only the guests in one state, marks the cards of
// selected guests spoiled, clears the style's print record, and asks for the cards of the selected
// guests to be printed. A click on a column heading sorts the grid by that column.
#pragma once

#include "core/store/GuestStore.h"
#include "core/store/PrintRecordStore.h"

#include <QDialog>
#include <QVector>

#include <memory>

class GuestGridModel;
class QModelIndex;
class QTimer;
struct Session;

namespace Ui {
class w_AddGuest;
}

class w_AddGuest : public QDialog
{
    Q_OBJECT

public:
    explicit w_AddGuest(Session& session, QWidget* parent = nullptr);
    ~w_AddGuest() override;

    /// Closing, however it happens, tells the opener that the guests may have changed.
    void done(int result) override;

signals:
    /// The window closed; the style's guests may have been added, changed or deleted.
    void guestsChanged();
    /// The cards of `guestIds` (in list order) are to be printed, in a run of their own; the window
    /// closes after it.
    void printChosen(const QVector<qint64>& guestIds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadGrid();
    void save();
    void loadGuest(int row);
    void deleteSelectedGuests();
    void clearList();
    void importGuests();
    void sortByColumn(int column);
    void enterAddMode();
    /// Empties the form for the next guest and shows `notice` about the save just made.
    void emptyFieldsAfterSave(const QString& notice);
    GuestFields enteredFields() const;
    void showReadFailure(const QString& message);
    /// The guests of the rows with a selected cell, in list order.
    QVector<qint64> selectedGuests() const;
    void enableSelectionButtons();
    void filterChanged(int index);
    void markSpoiled();
    void printSelected();
    void clearRecord();
    /// Asks the spooler what became of the cards on their way, and shows it.
    void bringRecordUpToDate();

    std::unique_ptr<Ui::w_AddGuest> m_ui;
    Session& m_session;
    GuestStore m_guests;
    PrintRecordStore m_records;
    GuestGridModel* m_model = nullptr;
    QTimer* m_timer1 = nullptr;
    qint64 m_loadedGuestId = 0; // the guest a save changes; 0 while adding
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
