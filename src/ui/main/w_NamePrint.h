// Asks for the name (or part of it) of the guest whose card is to be printed alone.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

struct Session;

namespace Ui {
class w_NamePrint;
}

class w_NamePrint : public QDialog
{
    Q_OBJECT

public:
    /// Accepted once a search text was typed; rejected on cancel.
    explicit w_NamePrint(Session& session, QWidget* parent = nullptr);
    ~w_NamePrint() override;

    /// The text to search for, without surrounding ASCII spaces, once accepted.
    const QString& searchText() const { return m_searchText; }

private:
    void confirm();

    std::unique_ptr<Ui::w_NamePrint> m_ui;
    Session& m_session;
    QString m_searchText;
};
