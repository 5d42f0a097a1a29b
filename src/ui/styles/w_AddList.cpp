#include "ui/styles/w_AddList.h"
#include "ui_w_AddList.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/store/CardStore.h"
#include "core/store/StyleStore.h"
#include "ui/app/Session.h"
#include "ui/labels/w_PRNSet.h"

#include <QKeyEvent>
#include <QTimer>

namespace {

// Only the ordinary blank is removed; anything else the user typed stays and is checked.
QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

bool asciiDigitsOnly(const QString& text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

w_AddList::w_AddList(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_AddList>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSizeF(10.5);
    setFont(font);

    m_timerList = new QTimer(this);
    m_timerList->setObjectName(QStringLiteral("Timer_List"));
    m_timerList->setInterval(100);

    connect(m_timerList, &QTimer::timeout, this, &w_AddList::loadList);
    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &w_AddList::createStyle);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_ui->T_ListID->setFocus();
    m_timerList->start();
}

w_AddList::~w_AddList() = default;

void w_AddList::keyPressEvent(QKeyEvent* event)
{
    // The window has no cancel button: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void w_AddList::loadList()
{
    m_timerList->stop();
    const Result<QVector<StyleEntry>> styles = StyleStore(m_session.store).stylesByNumber();
    m_ui->List_QJList->clear();
    if (!styles.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, styles.error());
        return;
    }
    for (const StyleEntry& style : styles.value())
        m_ui->List_QJList->addItem(QString::number(style.id) + QStringLiteral("    ") + style.name);
}

void w_AddList::createStyle()
{
    const QString numberText = withoutBlanks(m_ui->T_ListID->text());
    const QString name = withoutBlanks(m_ui->T_ListName->text());
    if (numberText.isEmpty() || name.isEmpty()) {
        m_session.messages.exclamation(this, Titles::Reminder,
                                       QStringLiteral("请输入新样式编号与新样式名称。"));
        return;
    }
    if (!asciiDigitsOnly(numberText)) {
        m_session.messages.critical(this, Titles::CriticalError,
                                    QStringLiteral("样式编号只能是数字，请检查后重新输入。"));
        m_ui->T_ListID->setFocus();
        m_ui->T_ListID->selectAll();
        return;
    }
    // At most four digits (the box takes no more), so the value fits a style number.
    const int number = numberText.toInt();
    if (number == 0) {
        m_session.messages.exclamation(this, Titles::Reminder,
                                       QStringLiteral("样式编号不能为 0，请重新输入。"));
        m_ui->T_ListID->setText(numberText);
        return;
    }
    const qint16 id = static_cast<qint16>(number);

    const Result<NewStyleOutcome> created = StyleStore(m_session.store).create(id, name);
    if (!created.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, created.error());
        return;
    }
    if (created.value() == NewStyleOutcome::Taken) {
        m_session.messages.exclamation(this, Titles::Reminder,
                                       QStringLiteral("已存在相同的样式编号或样式名称。"));
        return;
    }

    if (m_session.messages.question(this, Titles::UserConfirmation,
                                    QStringLiteral("新样式已保存！现在就添加请柬上的标签吗？"))) {
        SharedState& state = m_session.state;
        state.CurrentListID = id;
        state.CurrentListName = name;
        // Whoever shows the current style must not go on with another style's guests under its name.
        emit styleChanged();
        openLabels();
        return;
    }
    m_session.messages.exclamation(this, Titles::Reminder,
                                   QStringLiteral("新样式在没有设置其样式标签前是无效的，请尽快设置。"));
    m_timerList->start();
    m_ui->T_ListID->clear();
    m_ui->T_ListName->clear();
    m_ui->T_ListID->setFocus();
}

void w_AddList::openLabels()
{
    // This window gives way to the label and print settings window of the new style.
    hide();
    w_PRNSet labels(m_session, parentWidget());
    labels.exec();
    accept();
}
