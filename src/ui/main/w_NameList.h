// Lists the guests of the current style whose name contains the search text, and prepares the main
// window to print the card of the one the user picks.
#pragma once

#include <QDialog>

#include <memory>

class GuestSearchModel;
class QTimer;
struct Session;

namespace Ui {
class w_NameList;
}

class w_NameList : public QDialog
{
    Q_OBJECT

public:
    /// The result when the search found nobody; the opener then asks for a name again.
    static constexpr int NothingFound = 2;

    explicit w_NameList(Session& session, QWidget* parent = nullptr);
    ~w_NameList() override;

private:
    void search();
    void pick();

    std::unique_ptr<Ui::w_NameList> m_ui;
    Session& m_session;
    GuestSearchModel* m_model = nullptr;
    QTimer* m_timer = nullptr;
};
