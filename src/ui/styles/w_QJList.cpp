#include "ui/styles/w_QJList.h"
#include "ui_w_QJList.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"
#include "ui/designer/w_Designer.h"
#include "ui/guests/w_AddGuest.h"
#include "ui/labels/w_PRNSet.h"
#include "ui/styles/w_Backup.h"

#include <QTimer>

w_QJList::w_QJList(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_QJList>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_timerLoadList = new QTimer(this);
    m_timerLoadList->setObjectName(QStringLiteral("Timer_LoadList"));
    m_timerLoadList->setInterval(100);

    connect(m_timerLoadList, &QTimer::timeout, this, &w_QJList::loadList);
    connect(m_ui->Combo_QJList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &w_QJList::chooseStyle);
    connect(m_ui->Cmd_New, &QPushButton::clicked, this, &w_QJList::newStyle);
    connect(m_ui->Cmd_Guests, &QPushButton::clicked, this, &w_QJList::openGuests);
    connect(m_ui->Cmd_DEL, &QPushButton::clicked, this, &w_QJList::deleteStyle);
    connect(m_ui->Cmd_Backup, &QPushButton::clicked, this, &w_QJList::openBackup);
    connect(m_ui->Cmd_Edit, &QPushButton::clicked, this, &w_QJList::openSettings);
    connect(m_ui->Cmd_Design, &QPushButton::clicked, this, &w_QJList::openDesigner);
    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &w_QJList::confirm);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    disableStyleButtons();
    m_ui->Cmd_New->setFocus();
    m_timerLoadList->start();
}

w_QJList::~w_QJList() = default;

void w_QJList::enableStyleButtons()
{
    for (QPushButton* button :
         {m_ui->Cmd_OK, m_ui->Cmd_Edit, m_ui->Cmd_DEL, m_ui->Cmd_Guests, m_ui->Cmd_Design})
        button->setEnabled(true);
}

void w_QJList::disableStyleButtons()
{
    for (QPushButton* button :
         {m_ui->Cmd_OK, m_ui->Cmd_Edit, m_ui->Cmd_DEL, m_ui->Cmd_Guests, m_ui->Cmd_Design})
        button->setEnabled(false);
}

void w_QJList::loadList()
{
    m_timerLoadList->stop();
    disableStyleButtons();
    const Result<QStringList> names = m_session.store.styleNames();
    if (!names.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, names.error());
        return;
    }
    const QSignalBlocker blocker(m_ui->Combo_QJList); // filling the list picks nothing
    m_ui->Combo_QJList->addItems(names.value());
    m_ui->Combo_QJList->setCurrentIndex(-1);
}

void w_QJList::chooseStyle(int index)
{
    const QString name = index < 0 ? QString() : m_ui->Combo_QJList->itemText(index);
    if (name.isEmpty())
        return;
    const Result<std::optional<qint16>> id = m_session.store.styleIdByName(name);
    if (!id.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, id.error());
        return;
    }
    if (!id.value()) {
        m_session.messages.exclamation(this, Titles::Reminder,
                                       QStringLiteral("请柬样式“%1”已不存在，请重新选择。").arg(name));
        return;
    }
    SharedState& state = m_session.state;
    state.CurrentListName = name;
    state.CurrentListID = *id.value();
    enableStyleButtons();
}

void w_QJList::deleteStyle()
{
    const QString name = m_ui->Combo_QJList->currentText();
    SharedState& state = m_session.state;
    if (name.isEmpty() || !state.hasCurrentStyle())
        return;
    const QString question = QStringLiteral("确定要删除标示为“ ") + name +
                             QStringLiteral(" ”的请柬样式吗？") +
                             QStringLiteral("\n\n删除请柬样式将同时删除该样式所对应的宾客名单。");
    if (!m_session.messages.question(this, Titles::UserConfirmation, question))
        return;

    // The style goes as a whole or not at all; on a failure nothing has changed.
    if (Status deleted = m_session.store.deleteStyle(state.CurrentListID); !deleted.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, deleted.error());
        return;
    }
    state.CurrentListID = 0;
    state.CurrentListName.clear();
    {
        const QSignalBlocker blocker(m_ui->Combo_QJList);
        m_ui->Combo_QJList->clear();
    }
    disableStyleButtons();
    m_timerLoadList->start();
    emit styleDeleted();
}

void w_QJList::confirm()
{
    accept();
}

void w_QJList::newStyle()
{
    // The chooser gives way to the new-style window, which its opener opens once it has closed.
    done(NewStyle);
}

void w_QJList::openGuests()
{
    QVector<qint64> chosen;
    {
        w_AddGuest guests(m_session, this);
        connect(&guests, &w_AddGuest::guestsChanged, this, &w_QJList::guestsChanged);
        connect(&guests, &w_AddGuest::printChosen, this,
                [&chosen](const QVector<qint64>& ids) { chosen = ids; });
        guests.exec();
    }
    if (chosen.isEmpty())
        return;
    // Printing the chosen guests' cards confirms their style, as "确定" does.
    emit printChosen(chosen);
    accept();
}

void w_QJList::openBackup()
{
    w_Backup backup(m_session, this);
    connect(&backup, &w_Backup::restored, this, &w_QJList::onRestored);
    backup.exec();
}

void w_QJList::onRestored()
{
    // The style picked here may be gone or hold other data now: the list is read afresh.
    SharedState& state = m_session.state;
    state.CurrentListID = 0;
    state.CurrentListName.clear();
    {
        const QSignalBlocker blocker(m_ui->Combo_QJList);
        m_ui->Combo_QJList->clear();
    }
    disableStyleButtons();
    m_timerLoadList->start();
    emit restored();
}

void w_QJList::openSettings()
{
    w_PRNSet settings(m_session, this);
    connect(&settings, &w_PRNSet::designSaved, this, &w_QJList::designSaved);
    settings.exec();
}

void w_QJList::openDesigner()
{
    w_Designer designer(m_session, this);
    connect(&designer, &w_Designer::designSaved, this, &w_QJList::designSaved);
    designer.exec();
}
