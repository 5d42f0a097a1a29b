#include "ui/main/w_NameList.h"
#include "ui_w_NameList.h"

#include "core/app/MessageService.h"
#include "core/cards/TextTrim.h"
#include "core/store/GuestSearchModel.h"
#include "ui/app/Session.h"

#include <QHeaderView>
#include <QTimer>

w_NameList::w_NameList(Session& session, qint16 listId, const QString& listName, const QString& searchText,
                       QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_NameList>()), m_session(session), m_listId(listId),
      m_listName(listName), m_searchText(searchText)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size());

    m_model = new GuestSearchModel(this);
    m_ui->DG_Edit->setModel(m_model);
    m_ui->DG_Edit->verticalHeader()->setDefaultSectionSize(22);
    // All six columns fit the grid's width: the short ones narrow, the remark takes what is left.
    QHeaderView* columns = m_ui->DG_Edit->horizontalHeader();
    const int widths[] = {90, 40, 70, 90, 100};
    for (int column = 0; column < 5; ++column)
        columns->resizeSection(column, widths[column]);
    columns->setStretchLastSection(true);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(10);

    connect(m_timer, &QTimer::timeout, this, &w_NameList::search);
    connect(m_ui->DG_Edit, &QTableView::doubleClicked, this, &w_NameList::pick);
    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &w_NameList::pick);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    m_timer->start();
}

w_NameList::~w_NameList() = default;

void w_NameList::search()
{
    m_timer->stop();
    const Status found = m_model->search(m_session.store, m_listId, m_searchText);
    if (!found.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, found.error());
        reject();
        return;
    }
    if (m_model->rowCount() == 0) {
        done(NothingFound);
        m_session.messages.exclamation(
            parentWidget(), Titles::OperationReminder,
            QStringLiteral("在“%1”请柬样式对应的宾客列表里没有找到与“%2”相关的宾客，请核查。")
                .arg(m_listName, m_searchText));
        return;
    }
    m_ui->DG_Edit->selectRow(0);
    m_ui->DG_Edit->setFocus();
}

void w_NameList::pick()
{
    // Before the search has shown a guest there is nobody to pick: the window just closes.
    const QModelIndex current = m_ui->DG_Edit->currentIndex();
    if (m_model->rowCount() == 0 || !current.isValid()) {
        reject();
        return;
    }
    const GuestRow& row = m_model->guest(current.row());
    GuestFields guest = row.fields;
    guest.name = trimAsciiSpaces(guest.name);
    emit guestChosen(row.guestId, guest);
    accept();
}
