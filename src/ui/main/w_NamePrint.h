// Asks for the name (or part of it) of the guest whose card is to be printed alone.
#pragma once

#include <QDialog>

#include <memory>

struct Session;

namespace Ui {
class w_NamePrint;
}

class w_NamePrint : public QDialog
{
    Q_OBJECT

public:
    /// Accepted once a search text is stored in NamedGuest; rejected on cancel.
    explicit w_NamePrint(Session& session, QWidget* parent = nullptr);
    ~w_NamePrint() override;

private:
    void confirm();

    std::unique_ptr<Ui::w_NamePrint> m_ui;
    Session& m_session;
};
