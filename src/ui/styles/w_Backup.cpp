#include "ui/styles/w_Backup.h"
#include "ui_w_Backup.h"

#include "core/app/MessageService.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidgetItem>

namespace {

QString timeText(const SnapshotInfo& snapshot)
{
    const bool seconds = snapshot.time.time().second() != 0;
    return snapshot.time.toString(seconds ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                                          : QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString countText(int count)
{
    return count < 0 ? QStringLiteral("无法读取") : QString::number(count);
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

} // namespace

w_Backup::w_Backup(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_Backup>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ui->DG_Snapshots->setColumnCount(4);
    m_ui->DG_Snapshots->setHorizontalHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("操作"), QStringLiteral("样式数"), QStringLiteral("宾客数")});
    m_ui->DG_Snapshots->verticalHeader()->hide();
    QHeaderView* header = m_ui->DG_Snapshots->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    m_ui->L_Folder->setText(QStringLiteral("快照保存在文件夹“%1”中，保留最近的 %2 个，合计不超过 %3 MB。")
                                .arg(QDir::toNativeSeparators(m_session.store.backupFolder()))
                                .arg(Snapshots::kKeep)
                                .arg(Snapshots::kMaxBytes / (1024 * 1024)));

    connect(m_ui->Cmd_Restore, &QPushButton::clicked, this, &w_Backup::restoreSelected);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->DG_Snapshots, &QTableWidget::itemSelectionChanged, this,
            [this] { m_ui->Cmd_Restore->setEnabled(!m_ui->DG_Snapshots->selectedItems().isEmpty()); });
    loadList();
}

w_Backup::~w_Backup() = default;

void w_Backup::loadList()
{
    m_snapshots = Snapshots(m_session.store).list();
    QTableWidget* grid = m_ui->DG_Snapshots;
    grid->clearContents();
    grid->setRowCount(static_cast<int>(m_snapshots.size()));
    for (int row = 0; row < m_snapshots.size(); ++row) {
        const SnapshotInfo& snapshot = m_snapshots.at(row);
        grid->setItem(row, 0, cell(timeText(snapshot)));
        grid->setItem(row, 1, cell(snapshot.action));
        grid->setItem(row, 2, cell(countText(snapshot.styles), Qt::AlignRight | Qt::AlignVCenter));
        grid->setItem(row, 3, cell(countText(snapshot.guests), Qt::AlignRight | Qt::AlignVCenter));
        grid->item(row, 1)->setToolTip(QDir::toNativeSeparators(snapshot.path));
    }
    if (m_snapshots.isEmpty()) {
        grid->setRowCount(1);
        grid->setItem(0, 1, cell(QStringLiteral("还没有任何快照。")));
        grid->item(0, 1)->setFlags(Qt::ItemIsEnabled);
    }
    grid->clearSelection();
    m_ui->Cmd_Restore->setEnabled(false);
}

void w_Backup::restoreSelected()
{
    const QList<QTableWidgetItem*> selected = m_ui->DG_Snapshots->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    if (row < 0 || row >= m_snapshots.size())
        return;
    const SnapshotInfo snapshot = m_snapshots.at(row);
    const QString question =
        QStringLiteral(
            "确定要把数据恢复到 "
            "%1“%2”之前的样子吗？\n\n现在的全部请柬样式、标签和宾客将被这个快照中的内容取代"
            "（快照中有 %3 个样式、%4 位宾客）。现在的数据会先保存为一个新的快照，需要时可以再恢复回来。")
            .arg(timeText(snapshot), snapshot.action, countText(snapshot.styles), countText(snapshot.guests));
    if (!m_session.messages.question(this, Titles::UserConfirmation, question))
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<QString> saved = Snapshots(m_session.store).restore(snapshot.path);
    QApplication::restoreOverrideCursor();
    if (!saved.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, saved.error());
        loadList();
        return;
    }
    loadList();
    emit restored();
    m_session.messages.information(
        this, Titles::Notice,
        QStringLiteral(
            "数据已恢复到 %1“%2”之前的样子。恢复之前的数据已保存为快照“%3”，需要时可以在这里再恢复回来。")
            .arg(timeText(snapshot), snapshot.action, QFileInfo(saved.value()).completeBaseName()));
}
