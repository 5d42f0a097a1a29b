// The about window: the program's name and version, its terms of use and the project's contact links.
#pragma once

#include <QDialog>

#include <memory>

struct Session;

namespace Ui {
class w_About;
}

class w_About : public QDialog
{
    Q_OBJECT

public:
    explicit w_About(Session& session, QWidget* parent = nullptr);
    ~w_About() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::w_About> m_ui;
};
