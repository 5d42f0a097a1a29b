#include "ui/main/w_NamePrint.h"
#include "ui_w_NamePrint.h"

#include "core/app/MessageService.h"
#include "core/cards/TextTrim.h"
#include "ui/app/Session.h"

w_NamePrint::w_NamePrint(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_NamePrint>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size());

    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &w_NamePrint::confirm);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->T_Name->setFocus();
}

w_NamePrint::~w_NamePrint() = default;

void w_NamePrint::confirm()
{
    const QString text = trimAsciiSpaces(m_ui->T_Name->text());
    if (text.isEmpty()) {
        m_session.messages.exclamation(
            this, Titles::OperationReminder,
            QStringLiteral("请输入你需要打印的宾客的姓名，可以是其中的一部分，例如只记得姓。"));
        m_ui->T_Name->setFocus();
        return;
    }
    m_searchText = text;
    accept();
}
