#include "ui/labels/w_Calibrate.h"
#include "ui_w_Calibrate.h"

#include "core/app/MessageService.h"
#include "core/printing/Calibration.h"
#include "core/printing/TestSheet.h"
#include "core/store/PrinterStore.h"
#include "ui/app/Session.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

namespace {

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'f', 1);
}

QString expected(const QPointF& mark, const CardSheet& sheet)
{
    const QPointF edges = fromPaperEdges(mark, sheet);
    return QStringLiteral("（应为 %1 / %2）").arg(mm(edges.x()), mm(edges.y()));
}

} // namespace

w_Calibrate::w_Calibrate(Session& session, const CardSheet& sheet, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_Calibrate>()), m_session(session), m_sheet(sheet)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ui->L_Printer->setText(
        QStringLiteral("打印机：%1　纸张：%2").arg(m_sheet.printerText(), m_sheet.paperText()));
    const CalibrationMarks marks = calibrationMarks(m_sheet);
    m_ui->L_ExpectA->setText(expected(marks.a, m_sheet));
    m_ui->L_ExpectB->setText(expected(marks.b, m_sheet));

    connect(m_ui->Cmd_PrintSheet, &QPushButton::clicked, this, &w_Calibrate::printSheet);
    connect(m_ui->Cmd_Compute, &QPushButton::clicked, this, &w_Calibrate::compute);
    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_Calibrate::save);
    connect(m_ui->Cmd_Clear, &QPushButton::clicked, this, &w_Calibrate::clear);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* box : {m_ui->T_AX, m_ui->T_AY, m_ui->T_BX, m_ui->T_BY})
        connect(box, &QLineEdit::textEdited, this, &w_Calibrate::forgetResult);

    readStored();
    forgetResult();
}

w_Calibrate::~w_Calibrate() = default;

void w_Calibrate::readStored()
{
    const Result<std::optional<PageCorrection>> stored =
        PrinterStore(m_session.store).correction(m_sheet.printerName, m_sheet.paperKey());
    if (!stored.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, stored.error());
        m_stored.reset();
    } else {
        m_stored = stored.value();
    }
    m_ui->L_Current->setText(m_stored ? QStringLiteral("当前：%1").arg(m_stored->describe())
                                      : QStringLiteral("当前：未校准"));
    m_ui->Cmd_Clear->setEnabled(m_stored.has_value());
}

void w_Calibrate::forgetResult()
{
    m_computed.reset();
    m_ui->Cmd_Save->setEnabled(false);
    m_ui->L_Result->clear();
}

void w_Calibrate::printSheet()
{
    const Status printed = printTestSheet(m_session.printer, m_sheet, m_stored.value_or(PageCorrection{}),
                                          QDateTime::currentDateTime());
    if (!printed.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, printed.error());
        return;
    }
    m_session.messages.information(
        this, Titles::Notice,
        QStringLiteral("测试页已交给打印机“%1”。请量出两个十字中心的位置，填入本窗口。")
            .arg(m_sheet.printerName));
}

void w_Calibrate::compute()
{
    forgetResult();
    const MeasuredMarks measured{m_ui->T_AX->text(), m_ui->T_AY->text(), m_ui->T_BX->text(),
                                 m_ui->T_BY->text()};
    const Result<PageCorrection> correction =
        correctionFromMeasurements(m_sheet, m_stored.value_or(PageCorrection{}), measured);
    if (!correction.isOk()) {
        m_session.messages.exclamation(this, Titles::Reminder, correction.error());
        return;
    }
    m_computed = correction.value();
    m_ui->L_Result->setText(
        QStringLiteral("计算结果：%1").arg(m_computed->describe().section(QStringLiteral("："), 1)));
    m_ui->Cmd_Save->setEnabled(true);
}

void w_Calibrate::save()
{
    if (!m_computed)
        return;
    if (Status s = PrinterStore(m_session.store)
                       .saveCorrection(m_sheet.printerName, m_sheet.paperKey(), *m_computed);
        !s.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, s.error());
        return;
    }
    readStored();
    forgetResult();
    m_ui->L_Result->setText(QStringLiteral("校准已保存。再打印一张测试页，十字应当落在标注的位置上。"));
    emit calibrationChanged();
}

void w_Calibrate::clear()
{
    if (Status s = PrinterStore(m_session.store).clearCorrection(m_sheet.printerName, m_sheet.paperKey());
        !s.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, s.error());
        return;
    }
    readStored();
    forgetResult();
    m_ui->L_Result->setText(QStringLiteral("校准已清除，这台打印机用这种纸张时按设计位置打印。"));
    emit calibrationChanged();
}
