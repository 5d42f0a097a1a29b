// The help window: shows the help document Date_T.dat of the current folder as formatted text.
#pragma once

#include <QDialog>

#include <memory>

struct Session;

namespace Ui {
class w_Help;
}

class w_Help : public QDialog
{
    Q_OBJECT

public:
    explicit w_Help(Session& session, QWidget* parent = nullptr);
    ~w_Help() override;

private:
    std::unique_ptr<Ui::w_Help> m_ui;
};
