// The style chooser: picks the current card style, deletes a style with all its data, and leads to
// a style's labels, its guest list and the creation of a new style.
#pragma once

#include <QDialog>
#include <QVector>

#include <memory>

class QTimer;
struct Session;

namespace Ui {
class w_QJList;
}

class w_QJList : public QDialog
{
    Q_OBJECT

public:
    /// The result when the user asked for a new style; the opener then opens the new-style window.
    static constexpr int NewStyle = 2;

    explicit w_QJList(Session& session, QWidget* parent = nullptr);
    ~w_QJList() override;

signals:
    /// The current style was deleted with all its data; the current style is none now.
    void styleDeleted();
    /// The guest list window opened from here has closed: the current style's guests may differ.
    void guestsChanged();
    /// A snapshot was restored from the backup window: every style may differ; none is current.
    void restored();
    /// The cards of `guestIds` of the current style are to be printed; the chooser has closed
    /// with the style confirmed.
    void printChosen(const QVector<qint64>& guestIds);
    /// A design of the current style was saved (from the designer or from the settings window):
    /// its labels, guest-name setting or background may differ.
    void designSaved();

private:
    void loadList();
    void chooseStyle(int index);
    void deleteStyle();
    void confirm();
    void newStyle();
    void openGuests();
    void openBackup();
    void onRestored();
    void openSettings();
    void openDesigner();
    void enableStyleButtons();
    void disableStyleButtons();

    std::unique_ptr<Ui::w_QJList> m_ui;
    Session& m_session;
    QTimer* m_timerLoadList = nullptr;
};
