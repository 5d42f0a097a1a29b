// The new-style window: checks a new style number and name, creates the style with its empty
// guest-name setting, and leads on to the style's labels or stays open for a further style.
#pragma once

#include <QDialog>

#include <memory>

class QTimer;
struct Session;

namespace Ui {
class w_AddList;
}

class w_AddList : public QDialog
{
    Q_OBJECT

public:
    explicit w_AddList(Session& session, QWidget* parent = nullptr);
    ~w_AddList() override;

signals:
    /// The new style was made the current style, to have its labels added at once.
    void styleChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadList();
    void createStyle();
    void openLabels();

    std::unique_ptr<Ui::w_AddList> m_ui;
    Session& m_session;
    QTimer* m_timerList = nullptr;
};
