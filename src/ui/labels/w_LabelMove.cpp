#include "ui/labels/w_LabelMove.h"
#include "ui_w_LabelMove.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/store/LabelStore.h"
#include "core/store/NumberText.h"
#include "ui/app/Session.h"

w_LabelMove::w_LabelMove(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_LabelMove>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->UD_X->setBuddy(m_ui->T_Move);
    m_ui->UD_X->setRange(static_cast<int>(kPositionMm.min), static_cast<int>(kPositionMm.max));

    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &w_LabelMove::moveLabels);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_ui->O_Left->setFocus();
}

w_LabelMove::~w_LabelMove() = default;

void w_LabelMove::moveLabels()
{
    MessageService& messages = m_session.messages;
    const QString distance = m_ui->T_Move->text().trimmed();
    if (distance.isEmpty() || distance == QLatin1String("0")) {
        messages.critical(this, Titles::CriticalError, QStringLiteral("请输入需要移动的距离。"));
        m_ui->T_Move->setFocus();
        return;
    }
    if (distance.startsWith(QLatin1Char('-'))) {
        messages.exclamation(
            this, Titles::Reminder,
            QStringLiteral("请输入正数。如需向坐标零点方向移动，请选择“向左”或“向上”移动。"));
        m_ui->T_Move->setFocus();
        return;
    }
    const std::optional<double> distanceMm = digitsNumber(distance);
    if (!distanceMm) {
        messages.critical(this, Titles::CriticalError,
                          QStringLiteral("移动距离只能是数字，请检查后重新输入。"));
        return;
    }
    if (!kPositionMm.contains(*distanceMm)) {
        messages.critical(this, Titles::CriticalError,
                          QStringLiteral("移动距离必须在 %1之间，请检查后重新输入。")
                              .arg(kPositionMm.text(QStringLiteral("毫米"))));
        m_ui->T_Move->setFocus();
        m_ui->T_Move->selectAll();
        return;
    }

    MoveDirection direction = MoveDirection::Left;
    if (m_ui->O_Right->isChecked())
        direction = MoveDirection::Right;
    else if (m_ui->O_Up->isChecked())
        direction = MoveDirection::Up;
    else if (m_ui->O_Down->isChecked())
        direction = MoveDirection::Down;

    // Every label moves or, on a failure, none does.
    LabelStore labels(m_session.store);
    const Result<int> moved = labels.moveLabels(m_session.state.CurrentListID, direction, *distanceMm);
    if (!moved.isOk()) {
        messages.critical(this, Titles::CriticalError, moved.error());
        return;
    }
    if (moved.value() == 0) {
        messages.exclamation(this, Titles::Reminder, QStringLiteral("没有可移动标签。"));
        return;
    }
    messages.information(this, Titles::Note, QStringLiteral("所有标签已经移动完成。"));
    m_ui->T_Move->setText(QStringLiteral("0"));
    accept();
}
