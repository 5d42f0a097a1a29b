// The move window: shifts every label of the current style by one distance in one direction.
#pragma once

#include <QDialog>

#include <memory>

struct Session;

namespace Ui {
class w_LabelMove;
}

class w_LabelMove : public QDialog
{
    Q_OBJECT

public:
    explicit w_LabelMove(Session& session, QWidget* parent = nullptr);
    ~w_LabelMove() override;

private:
    void moveLabels();

    std::unique_ptr<Ui::w_LabelMove> m_ui;
    Session& m_session;
};
