#include "ui/guests/w_AddGuest.h"
#include "ui_w_AddGuest.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/store/CardStore.h"
#include "core/printing/PrintRecordSync.h"
#include "core/store/GuestGridModel.h"
#include "ui/app/Session.h"
#include "ui/guests/GuestListTransfer.h"

#include <QDateTime>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

const QString kAddCaption = QStringLiteral("添加保存(&S)");
const QString kModifyCaption = QStringLiteral("修改保存(&S)");

} // namespace

w_AddGuest::w_AddGuest(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_AddGuest>()), m_session(session), m_guests(session.store),
      m_records(session.store)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSizeF(10.5);
    setFont(font);

    m_ui->L_Title->setText(m_session.state.CurrentListName);
    m_ui->Combo_Sex->setCurrentIndex(-1);
    m_ui->Combo_Connection->setCurrentIndex(-1);
    // The relation is stored exactly as typed; completing it to an offered entry would change it.
    m_ui->Combo_Connection->setCompleter(nullptr);
    // The notice has a row of its own below the fields, kept while it is hidden, so that neither
    // it nor its coming and going moves or covers anything.
    QSizePolicy noticeRoom = m_ui->F_saved->sizePolicy();
    noticeRoom.setRetainSizeWhenHidden(true);
    m_ui->F_saved->setSizePolicy(noticeRoom);

    m_model = new GuestGridModel(m_guests, m_records, this);
    m_ui->DG_Edit->setModel(m_model);
    QHeaderView* columns = m_ui->DG_Edit->horizontalHeader();
    // The card's state is read with the name: shown beside it, whatever columns follow.
    columns->moveSection(GuestGridModel::PrintStateColumn, GuestGridModel::NameColumn + 1);
    columns->setDefaultSectionSize(48); // the last column, 人数, takes what is left
    const int widths[] = {80, 40, 60, 80, 96, 64, 50, 70, 45};
    for (int column = 0; column < static_cast<int>(std::size(widths)); ++column)
        columns->resizeSection(column, widths[column]);
    // Wide enough for the longest state with its time, in whatever font the system gives.
    columns->resizeSection(
        GuestGridModel::PrintStateColumn,
        m_ui->DG_Edit->fontMetrics().horizontalAdvance(QStringLiteral("已排队（未确认） 12-06 14:03")) + 16);
    columns->setStretchLastSection(true);
    // A click on a heading sorts by that column instead of selecting it.
    columns->setSectionsClickable(true);
    disconnect(columns, &QHeaderView::sectionPressed, m_ui->DG_Edit, nullptr);
    disconnect(columns, &QHeaderView::sectionEntered, m_ui->DG_Edit, nullptr);
    m_ui->DG_Edit->verticalHeader()->setDefaultSectionSize(m_ui->DG_Edit->fontMetrics().height() + 8);
    m_ui->DG_Edit->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(10);

    connect(m_timer1, &QTimer::timeout, this, &w_AddGuest::loadGrid);
    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_AddGuest::save);
    connect(m_ui->Cmd_CleanAll, &QPushButton::clicked, this, &w_AddGuest::clearList);
    connect(m_ui->Cmd_Import, &QPushButton::clicked, this, &w_AddGuest::importGuests);
    connect(m_ui->Cmd_Export, &QPushButton::clicked, this,
            [this]() { GuestListTransfer::exportGuests(m_session, this); });
    connect(m_ui->Cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->T_Name, &QLineEdit::textChanged, m_ui->F_saved, &QWidget::hide);
    connect(m_ui->DG_Edit, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { loadGuest(index.row()); });
    connect(m_ui->DG_Edit->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            &w_AddGuest::loadGuest);
    connect(m_model, &GuestGridModel::readFailed, this, &w_AddGuest::showReadFailure, Qt::QueuedConnection);
    connect(m_ui->DG_Edit->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &w_AddGuest::enableSelectionButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &w_AddGuest::enableSelectionButtons);
    connect(m_ui->Combo_PrintFilter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &w_AddGuest::filterChanged);
    connect(m_ui->Cmd_Spoil, &QPushButton::clicked, this, &w_AddGuest::markSpoiled);
    connect(m_ui->Cmd_PrintSelected, &QPushButton::clicked, this, &w_AddGuest::printSelected);
    connect(m_ui->Cmd_ClearRecord, &QPushButton::clicked, this, &w_AddGuest::clearRecord);
    enableSelectionButtons();
    connect(columns, &QHeaderView::sectionClicked, this, &w_AddGuest::sortByColumn);
    m_ui->T_Name->installEventFilter(this);
    m_ui->DG_Edit->installEventFilter(this);

    m_ui->T_Name->setFocus();
    m_timer1->start();
}

w_AddGuest::~w_AddGuest() = default;

void w_AddGuest::done(int result)
{
    QDialog::done(result);
    emit guestsChanged();
}

bool w_AddGuest::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->T_Name && event->type() == QEvent::FocusOut) {
        // Leaving the name field hides the notice; switching to another window does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_ui->F_saved->hide();
    } else if (watched == m_ui->DG_Edit && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelectedGuests();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void w_AddGuest::loadGrid()
{
    m_timer1->stop();
    enterAddMode();
    if (Status loaded = m_model->load(m_session.state.CurrentListID); !loaded.isOk())
        m_session.messages.critical(this, Titles::CriticalError, loaded.error());
    if (m_model->rowCount() == 0)
        m_ui->Cmd_CleanAll->setEnabled(false);
    bringRecordUpToDate();
}

void w_AddGuest::bringRecordUpToDate()
{
    // The grid is already there; the spooler's answer changes only the column it concerns.
    const Result<RecordSync> sync = PrintRecordSync(m_session.store, m_session.printer).refresh();
    if (!sync.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, sync.error());
        return;
    }
    if (sync.value().changed > 0) {
        if (Status shown = m_model->recordChanged(); !shown.isOk())
            m_session.messages.critical(this, Titles::CriticalError, shown.error());
    }
}

QVector<qint64> w_AddGuest::selectedGuests() const
{
    QVector<int> rows;
    for (const QModelIndex& index : m_ui->DG_Edit->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QVector<qint64> ids;
    ids.reserve(rows.size());
    for (const int row : rows)
        ids.append(m_model->guestId(row));
    return ids;
}

void w_AddGuest::enableSelectionButtons()
{
    const bool any = m_ui->DG_Edit->selectionModel()->hasSelection();
    m_ui->Cmd_Spoil->setEnabled(any);
    m_ui->Cmd_PrintSelected->setEnabled(any);
}

void w_AddGuest::filterChanged(int index)
{
    const GuestGridModel::Filter filters[] = {
        GuestGridModel::Filter::All,     GuestGridModel::Filter::NotPrinted, GuestGridModel::Filter::Queued,
        GuestGridModel::Filter::Printed, GuestGridModel::Filter::Failed,     GuestGridModel::Filter::Spoiled};
    if (index < 0 || index >= static_cast<int>(std::size(filters)))
        return;
    if (Status shown = m_model->setFilter(filters[index]); !shown.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, shown.error());
        const QSignalBlocker blocker(m_ui->Combo_PrintFilter);
        m_ui->Combo_PrintFilter->setCurrentIndex(0);
    }
}

void w_AddGuest::markSpoiled()
{
    const QVector<qint64> guests = selectedGuests();
    if (guests.isEmpty())
        return;
    if (!m_session.messages.question(
            this, Titles::UserConfirmation,
            QStringLiteral("把选中的 %1 位宾客最后打印的请柬标记为作废？\n\n"
                           "作废的请柬不算已打印：接着打印时会重新打印这些宾客的请柬。")
                .arg(guests.size())))
        return;
    const Result<int> marked = m_records.markSpoiled(m_session.state.CurrentListID, guests);
    if (!marked.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, marked.error());
        return;
    }
    if (Status shown = m_model->recordChanged(); !shown.isOk())
        m_session.messages.critical(this, Titles::CriticalError, shown.error());
    const int unmarked = static_cast<int>(guests.size()) - marked.value();
    if (unmarked > 0) {
        m_session.messages.information(
            this, Titles::Notice,
            QStringLiteral(
                "已将 %1 位宾客的请柬标记为作废。另外 %2 位宾客还没有打印过请柬，或者已经标记过作废。")
                .arg(marked.value())
                .arg(unmarked));
    }
}

void w_AddGuest::printSelected()
{
    const QVector<qint64> guests = selectedGuests();
    if (guests.isEmpty())
        return;
    emit printChosen(guests);
    accept();
}

void w_AddGuest::clearRecord()
{
    if (!m_session.messages.question(
            this, Titles::UserConfirmation,
            QStringLiteral(
                "确定要清除请柬样式“%1”的打印记录吗？\n\n清除后，程序不再知道哪些宾客的请柬已经打印过，"
                "“接着打印”也会从第一位宾客开始。")
                .arg(m_session.state.CurrentListName)))
        return;
    if (Status cleared = m_records.clear(m_session.state.CurrentListID); !cleared.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, cleared.error());
        return;
    }
    if (Status shown = m_model->recordChanged(); !shown.isOk())
        m_session.messages.critical(this, Titles::CriticalError, shown.error());
    m_session.messages.information(this, Titles::Notice, QStringLiteral("打印记录已清除。"));
}

void w_AddGuest::enterAddMode()
{
    m_loadedGuestId = 0;
    m_ui->T_TimeSign->clear();
    m_ui->Cmd_Save->setText(kAddCaption);
}

GuestFields w_AddGuest::enteredFields() const
{
    GuestFields fields;
    fields.name = m_ui->T_Name->text().trimmed();
    fields.sex = m_ui->Combo_Sex->currentText();
    fields.connection = m_ui->Combo_Connection->currentText();
    fields.job = m_ui->T_Job->text().trimmed();
    fields.contact = m_ui->T_Contact->text().trimmed();
    fields.remark = m_ui->T_Remark->text().trimmed();
    fields.salutation = m_ui->T_Salutation->text().trimmed();
    fields.partner = m_ui->T_Partner->text().trimmed();
    fields.table = m_ui->T_Table->text().trimmed();
    fields.attending = m_ui->UD_Attending->value();
    return fields;
}

void w_AddGuest::save()
{
    // A name of blanks only would be stored as no name at all.
    if (m_ui->T_Name->text().trimmed().isEmpty()) {
        m_session.messages.exclamation(this, Titles::MissingItem, QStringLiteral("请输入宾客姓名。"));
        m_ui->T_Name->setFocus();
        return;
    }
    const qint16 listId = m_session.state.CurrentListID;
    const GuestFields fields = enteredFields();

    if (m_loadedGuestId != 0) {
        const Result<bool> changed = m_guests.change(listId, m_loadedGuestId, fields);
        if (!changed.isOk()) {
            // Still in modify mode with every field as typed: the user can try again.
            m_session.messages.critical(this, Titles::CriticalError, changed.error());
            return;
        }
        const qint64 guestId = m_loadedGuestId;
        enterAddMode();
        if (!changed.value()) {
            // The fields stay, so one more save adds them as a new guest and nothing typed is lost.
            m_session.messages.exclamation(this, Titles::Reminder,
                                           QStringLiteral("要修改的宾客已不在名单中，修改未能保存。"
                                                          "如需保留，请按“添加保存”将其作为新宾客添加。"));
            m_ui->T_Name->setFocus();
            return;
        }
        m_model->guestChanged(guestId, fields);
        emptyFieldsAfterSave(QStringLiteral("已保存修改。可直接继续添加。"));
        return;
    }
    const Result<GuestRecord> added = m_guests.add(listId, fields, QDateTime::currentDateTime());
    if (!added.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, added.error());
        return;
    }
    m_model->appendGuest(added.value());
    m_ui->DG_Edit->scrollToBottom();
    emptyFieldsAfterSave(QStringLiteral("宾客已添加至名单。可直接继续添加。"));
}

void w_AddGuest::emptyFieldsAfterSave(const QString& notice)
{
    // The name is emptied before the notice shows, so that emptying it does not hide the notice.
    // Every field is emptied, the sex too: the next guest inherits nothing from this one.
    m_ui->T_Name->clear();
    m_ui->Combo_Sex->setCurrentIndex(-1);
    m_ui->Combo_Connection->setCurrentIndex(-1);
    m_ui->Combo_Connection->clearEditText();
    m_ui->T_Job->clear();
    m_ui->T_Contact->clear();
    m_ui->T_Remark->clear();
    m_ui->T_Salutation->clear();
    m_ui->T_Partner->clear();
    m_ui->T_Table->clear();
    m_ui->UD_Attending->setValue(1);
    m_ui->L_state->setText(notice);
    m_ui->F_saved->show();
    m_ui->Cmd_CleanAll->setEnabled(true);
    m_ui->T_Name->setFocus();
}

void w_AddGuest::loadGuest(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const std::optional<GuestRecord> guest = m_model->guestAt(row);
    if (!guest)
        return; // the read failure has been reported
    m_loadedGuestId = guest->id;
    m_ui->T_TimeSign->setText(guest->saveTime);
    m_ui->T_Name->setText(guest->fields.name);
    // A guest without a sex shows the empty entry, so a later save keeps it without one.
    const int sex = m_ui->Combo_Sex->findText(guest->fields.sex);
    m_ui->Combo_Sex->setCurrentIndex(guest->fields.sex.isEmpty() || sex < 0 ? 0 : sex);
    m_ui->Combo_Connection->setCurrentText(guest->fields.connection);
    m_ui->T_Job->setText(guest->fields.job);
    m_ui->T_Contact->setText(guest->fields.contact);
    m_ui->T_Remark->setText(guest->fields.remark);
    m_ui->T_Salutation->setText(guest->fields.salutation);
    m_ui->T_Partner->setText(guest->fields.partner);
    m_ui->T_Table->setText(guest->fields.table);
    m_ui->UD_Attending->setValue(guest->fields.attending);
    m_ui->Cmd_Save->setText(kModifyCaption);
}

void w_AddGuest::deleteSelectedGuests()
{
    const QModelIndexList rows = m_ui->DG_Edit->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return; // only rows picked by their selector at the left are deleted
    // Nothing brings deleted guests back: asked once for all the rows picked.
    if (!m_session.messages.question(this, Titles::UserConfirmation,
                                     QStringLiteral("删除选中的 %1 位宾客？").arg(rows.size())))
        return;
    QVector<qint64> ids;
    ids.reserve(rows.size());
    for (const QModelIndex& row : rows)
        ids.append(m_model->guestId(row.row()));
    if (Status removed = m_guests.remove(m_session.state.CurrentListID, ids); !removed.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, removed.error());
        return;
    }
    m_model->guestsRemoved(ids);
}

void w_AddGuest::clearList()
{
    if (!m_session.messages.question(this, Titles::UserConfirmation,
                                     QStringLiteral("确定要清空宾客名单吗？")))
        return;
    if (Status cleared = m_guests.clear(m_session.state.CurrentListID); !cleared.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, cleared.error());
        return;
    }
    m_model->cleared();
    m_ui->Cmd_CleanAll->setEnabled(false);
    m_session.messages.information(this, Titles::Notice, QStringLiteral("宾客名单已清空。"));
}

void w_AddGuest::sortByColumn(int column)
{
    // A first click on a heading sorts upwards, a second downwards, a third puts the guests back in
    // the order they were entered.
    QHeaderView* header = m_ui->DG_Edit->horizontalHeader();
    if (m_model->sortColumn() == column && m_sortOrder == Qt::DescendingOrder) {
        if (Status s = m_model->showEntryOrder(); !s.isOk())
            m_session.messages.critical(this, Titles::CriticalError, s.error());
        header->setSortIndicatorShown(false);
        return;
    }
    m_sortOrder = m_model->sortColumn() == column ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sort(column, m_sortOrder);
    if (m_model->sortColumn() != column)
        return; // the failure has been reported
    header->setSortIndicator(column, m_sortOrder);
    header->setSortIndicatorShown(true);
}

void w_AddGuest::showReadFailure(const QString& message)
{
    m_session.messages.critical(this, Titles::CriticalError, message);
}

void w_AddGuest::importGuests()
{
    if (!GuestListTransfer::importGuests(m_session, this))
        return;
    // The imported guests follow those already in the grid; a guest loaded for changing stays loaded.
    if (Status loaded = m_model->load(m_session.state.CurrentListID); !loaded.isOk())
        m_session.messages.critical(this, Titles::CriticalError, loaded.error());
    m_ui->DG_Edit->horizontalHeader()->setSortIndicatorShown(false);
    m_ui->Cmd_CleanAll->setEnabled(m_model->rowCount() > 0);
}
