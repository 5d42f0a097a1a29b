// The calibration window: prints the test sheet on the chosen printer and paper, takes the four
// distances the user measured on it and stores the correction for that printer and paper.
#pragma once

#include "core/cards/CardSheet.h"
#include "core/cards/PageCorrection.h"

#include <QDialog>

#include <memory>
#include <optional>

struct Session;

namespace Ui {
class w_Calibrate;
}

class w_Calibrate : public QDialog
{
    Q_OBJECT

public:
    /// Calibrates the printer and paper of `sheet`, which must name a printer.
    w_Calibrate(Session& session, const CardSheet& sheet, QWidget* parent = nullptr);
    ~w_Calibrate() override;

signals:
    /// The correction of the printer and paper was saved or cleared.
    void calibrationChanged();

private:
    void readStored();
    void printSheet();
    void compute();
    void save();
    void clear();
    void forgetResult();

    std::unique_ptr<Ui::w_Calibrate> m_ui;
    Session& m_session;
    CardSheet m_sheet;
    std::optional<PageCorrection> m_stored;   // what the test sheet prints through
    std::optional<PageCorrection> m_computed; // from the numbers typed, until one of them changes
};
