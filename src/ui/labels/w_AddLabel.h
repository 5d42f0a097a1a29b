// The label window: adds labels to the current style one after another, or changes one label
// whose values the settings window filled in.
#pragma once

#include "core/cards/FontChoice.h"
#include "core/cards/Label.h"

#include <QDialog>

#include <memory>
#include <optional>

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
    /// Adds labels to the current style one after another; with `toChange`, changes that label
    /// instead: its values fill the boxes and its name, which identifies it, is locked.
    explicit w_AddLabel(Session& session, const std::optional<Label>& toChange = std::nullopt,
                        QWidget* parent = nullptr);
    ~w_AddLabel() override;

signals:
    /// A label of the current style was added or changed.
    void labelsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void save();
    /// The first failing input check, with its message shown and the focus moved; false if none fails.
    bool refuseInput();
    Label typedLabel() const;
    void addLabel(const Label& label);
    void changeLabel(const Label& label);
    void chooseFont();
    /// Puts the field of entry `index` of Combo_Field into the text where the cursor is.
    void insertField(int index);
    void placeCoordinates();
    void showPlacement(const TextPlacement& placement);

    std::unique_ptr<Ui::w_AddLabel> m_ui;
    Session& m_session;
    FontChoice m_dialogFont;         // what the font dialog opens on: its preset, then the last choice
    std::optional<Label> m_toChange; // the label a save changes, as stored; none while adding
};
