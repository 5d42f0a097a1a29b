// The label and print settings window: the labels of the current style in an editable grid, the
// guest-name setting (where, in which font and in which form each guest's name is printed), the
// style's 称谓 rules and table order, and the printer and paper the style prints on, with the
// printer's calibration and a trial card. The settings are written only by 确定: closing with one
// changed and not saved asks first, and the preview shows the guest-name setting as typed.
#pragma once

#include "core/cards/FontChoice.h"
#include "core/cards/GuestNameSetting.h"
#include "core/printing/PrintTarget.h"
#include "core/cards/SalutationRules.h"

#include <QDialog>

#include <memory>
#include <optional>

class LabelGridModel;
class QModelIndex;
class QTimer;
struct Session;

namespace Ui {
class w_PRNSet;
}

class w_PRNSet : public QDialog
{
    Q_OBJECT

public:
    explicit w_PRNSet(Session& session, QWidget* parent = nullptr);
    ~w_PRNSet() override;

    /// 关闭, Escape and the title bar: asks first when the guest-name, field or print setting was
    /// changed and not saved (Yes saves, No drops the change, Cancel stays).
    void reject() override;

signals:
    /// The designer opened from here saved the style's design.
    void designSaved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void loadGuestName();
    void loadFieldSettings();
    void showRules(const SalutationRules& rules);
    /// The 称谓 rules as the table shows them.
    SalutationRules typedRules() const;
    /// Whether a name format is refused (empty, or an unknown field); with `report`, the reason is
    /// shown and the box focused.
    bool refuseFormats(bool report);
    /// Reads the grid afresh; false (after a message) when the labels cannot be read.
    bool refreshGrid();
    void changeLabel(const QModelIndex& index);
    void addLabels();
    void moveLabels();
    void clearLabels();
    void chooseFont();
    void save();
    /// Writes the print setting (when changed) and, `withGuestName`, the guest-name setting as the
    /// boxes hold them, both or neither; false (after a message) when they cannot be saved.
    bool writeSettings(bool withGuestName);
    void openPreview();
    void openDesigner();
    /// The texts of the guest-name boxes, in the order they are filled.
    QStringList guestNameTexts() const;
    bool guestNameEdited() const { return guestNameTexts() != m_guestNameAsLoaded; }
    /// The name formats, the table order and the 称谓 rules as shown.
    QStringList fieldSettingTexts() const;
    bool fieldSettingsEdited() const { return fieldSettingTexts() != m_fieldSettingsAsLoaded; }
    /// The setting the boxes hold, or nothing when it cannot be saved; with `report`, the reason is
    /// shown and the box at fault focused.
    std::optional<GuestNameSetting> typedGuestName(bool report);
    void deleteSelectedRows();
    void setLabelButtonsEnabled(bool enabled);

    void loadPrintSetting();
    /// Lists the papers and trays of the printer chosen, keeping `setting`'s where it has them.
    void fillPrinterChoices(const PrintSetting& setting);
    /// The print setting the group shows; a message for a custom size that is not a size.
    Result<PrintSetting> chosenSetting() const;
    /// The group shows another setting than the one read (a size typed wrong counts as changed).
    bool printSettingEdited() const;
    void showPrinterInfo();
    void printTrialCard();
    void openCalibration();
    /// Sizes the grid's columns to their contents, narrowing the text columns so that all fit.
    void fitColumns();

    std::unique_ptr<Ui::w_PRNSet> m_ui;
    Session& m_session;
    LabelGridModel* m_grid = nullptr;
    QTimer* m_timer1 = nullptr;
    FontChoice m_dialogFont; // what the font dialog opens on: its preset, then the last choice
    std::optional<GuestNameSetting> m_savedGuestName; // as read at the load; none without a row
    QStringList m_guestNameAsLoaded;                  // the boxes' texts right after the load
    QStringList m_fieldSettingsAsLoaded;
    PrintSetting m_storedSetting; // as read, so that an untouched style gets no setting row
    bool m_settingRead = false;
    PrintTarget m_target;   // what the group's choice prints on now
    bool m_filling = false; // the group's lists are being filled: their changes are no choice
};
