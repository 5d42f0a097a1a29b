// The label window: adds labels to the current style one after another, or changes one label
// whose values the settings window filled in.
#pragma once

#include "core/cards/FontChoice.h"

#include <QDialog>

#include <memory>

struct LabelRow;
struct LabelValues;
struct Session;

namespace Ui {
class w_AddLabel;
}

class w_AddLabel : public QDialog
{
    Q_OBJECT

public:
    explicit w_AddLabel(Session& session, QWidget* parent = nullptr);
    ~w_AddLabel() override;

    /// Fills the seven boxes from a stored label and locks the name, which identifies the label.
    void showLabel(const LabelRow& row);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void save();
    /// The first failing input check, with its message shown and the focus moved; false if none fails.
    bool refuseInput();
    LabelValues typedValues() const;
    void addLabel(const LabelValues& values);
    void changeLabel(const LabelValues& values);
    void chooseFont();
    void placeCoordinates();

    std::unique_ptr<Ui::w_AddLabel> m_ui;
    Session& m_session;
    FontChoice m_dialogFont; // what the font dialog opens on: its preset, then the last choice
};
