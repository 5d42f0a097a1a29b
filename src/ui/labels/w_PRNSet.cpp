#include "ui/labels/w_PRNSet.h"
#include "ui_w_PRNSet.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/store/CardStore.h"
#include "core/store/LabelGridModel.h"
#include "core/store/LabelStore.h"
#include "core/store/NumberText.h"
#include "ui/app/FontDialogService.h"
#include "ui/app/Session.h"
#include "ui/labels/StyleWordDelegate.h"
#include "ui/labels/w_AddLabel.h"
#include "ui/labels/w_LabelMove.h"
#include "ui/preview/w_Preview.h"

#include <QHeaderView>
#include <QTableView>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kNarrowestTextColumn = 120; // pixels; a label text column never gets narrower

} // namespace

w_PRNSet::w_PRNSet(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_PRNSet>()),
      m_session(session), m_dialogFont{QStringLiteral("宋体"), 12, false, false}
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The font boxes are filled only through the font dialog: show them as not for typing.
    for (QLineEdit* fontBox : {m_ui->T_GFont, m_ui->T_GFontSize, m_ui->T_GFontStyle}) {
        QPalette palette = fontBox->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        fontBox->setPalette(palette);
    }

    m_grid = new LabelGridModel(session.store, this);
    m_grid->setObjectName(QStringLiteral("Ado_PRNSet"));
    m_ui->DG_PRN->setModel(m_grid);
    m_ui->DG_PRN->setItemDelegateForColumn(static_cast<int>(LabelColumn::KeyFontStyle),
                                           new StyleWordDelegate(m_ui->DG_PRN));
    m_ui->DG_PRN->installEventFilter(this);
    QHeaderView* selectors = m_ui->DG_PRN->verticalHeader();
    selectors->setDefaultAlignment(Qt::AlignCenter);
    selectors->setMinimumWidth(22);
    m_ui->DG_PRN->horizontalHeader()->setStretchLastSection(true);
    m_ui->DG_PRN->horizontalHeader()->setMinimumSectionSize(56);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(50);

    connect(m_timer1, &QTimer::timeout, this, &w_PRNSet::load);
    connect(m_ui->DG_PRN, &QTableView::doubleClicked, this, &w_PRNSet::changeLabel);
    connect(m_ui->DG_PRN->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { m_grid->setCurrentRow(current.row()); });
    // A refused edit is told once the cell editor has closed.
    connect(
        m_grid, &LabelGridModel::editRefused, this,
        [this](const QString& message) { m_session.messages.critical(this, Titles::CriticalError, message); },
        Qt::QueuedConnection);
    connect(m_ui->Cmd_Add, &QPushButton::clicked, this, &w_PRNSet::addLabels);
    connect(m_ui->Cmd_Move, &QPushButton::clicked, this, &w_PRNSet::moveLabels);
    connect(m_ui->Cmd_CleanUp, &QPushButton::clicked, this, &w_PRNSet::clearLabels);
    connect(m_ui->Cmd_SelFont, &QPushButton::clicked, this, &w_PRNSet::chooseFont);
    connect(m_ui->Cmd_Preview, &QPushButton::clicked, this, &w_PRNSet::openPreview);
    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_PRNSet::save);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_guestNameAsLoaded = guestNameTexts();
    m_timer1->start();
}

w_PRNSet::~w_PRNSet() = default;

QStringList w_PRNSet::guestNameTexts() const
{
    return {m_ui->T_GX->text(), m_ui->T_GY->text(), m_ui->T_GFont->text(), m_ui->T_GFontSize->text(),
            m_ui->T_GFontStyle->text()};
}

void w_PRNSet::reject()
{
    if (guestNameEdited()) {
        switch (m_session.messages.questionWithCancel(
            this, Titles::PleaseConfirm,
            QStringLiteral("宾客姓名的打印设置已经修改，但还没有保存。\n\n是否保存修改？"))) {
        case MessageService::Answer::Yes:
            save(); // closes the window once written; a refused setting keeps it open
            return;
        case MessageService::Answer::No:
            break;
        case MessageService::Answer::Cancel:
            return;
        }
    }
    QDialog::reject();
}

void w_PRNSet::openPreview()
{
    w_Preview preview(m_session, this);
    if (guestNameEdited()) {
        if (const std::optional<GuestNameSetting> typed = typedGuestName(false))
            preview.showTypedGuestName(*typed);
        else
            preview.noteTypedGuestNameUnusable();
    }
    preview.exec();
}

void w_PRNSet::setLabelButtonsEnabled(bool enabled)
{
    m_ui->Cmd_CleanUp->setEnabled(enabled);
    m_ui->Cmd_Move->setEnabled(enabled);
}

void w_PRNSet::fitColumns()
{
    QTableView* grid = m_ui->DG_PRN;
    QHeaderView* columns = grid->horizontalHeader();
    // Sized without the last column's stretch, which would hide what that column needs.
    columns->setStretchLastSection(false);
    grid->resizeColumnsToContents();
    // A long label text would push the font columns off the window: the text columns give up
    // width (their cells are cut short, the whole text shows as a tooltip) until every column fits.
    int excess = columns->length() - grid->viewport()->width();
    for (const LabelColumn column : {LabelColumn::KeyValue, LabelColumn::Keywords}) {
        const int index = static_cast<int>(column);
        const int width = columns->sectionSize(index);
        const int given = std::clamp(excess, 0, std::max(width - kNarrowestTextColumn, 0));
        columns->resizeSection(index, width - given);
        excess -= given;
    }
    columns->setStretchLastSection(true);
}

void w_PRNSet::load()
{
    m_timer1->stop();
    m_ui->L_Title->setText(m_session.state.CurrentListName);
    loadGuestName();
    m_guestNameAsLoaded = guestNameTexts();
    if (Status read = m_grid->load(m_session.state.CurrentListID, m_session.state.CurrentListName);
        !read.isOk())
        m_session.messages.critical(this, Titles::CriticalError, read.error());
    if (m_grid->rowCount() == 0)
        setLabelButtonsEnabled(false);
    fitColumns();
}

void w_PRNSet::loadGuestName()
{
    const SharedState& state = m_session.state;
    const Result<std::optional<GuestNameSetting>> stored =
        LabelStore(m_session.store).guestNameSetting(state.CurrentListID, state.CurrentListName);
    if (!stored.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, stored.error());
        return;
    }
    m_savedGuestName = stored.value();
    if (!stored.value())
        return; // no setting row for this style: the boxes stay empty
    const GuestNameSetting& setting = *stored.value();
    m_ui->T_GX->setText(storedText(setting.xMm));
    m_ui->T_GY->setText(storedText(setting.yMm));
    m_ui->T_GFont->setText(setting.fontName);
    m_ui->T_GFontSize->setText(setting.fontSize);
    m_ui->T_GFontStyle->setText(setting.styleWord);
}

bool w_PRNSet::refreshGrid()
{
    if (Status s = m_grid->reload(); !s.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, s.error());
        return false;
    }
    return true;
}

void w_PRNSet::changeLabel(const QModelIndex& index)
{
    if (m_grid->rowCount() == 0 || !index.isValid())
        return;
    w_AddLabel labelWindow(m_session, m_grid->labelAt(index.row()), this);
    labelWindow.exec();
    const bool read = refreshGrid();
    setLabelButtonsEnabled(read && m_grid->rowCount() > 0);
}

void w_PRNSet::addLabels()
{
    w_AddLabel labelWindow(m_session, std::nullopt, this);
    labelWindow.exec();
    const bool read = refreshGrid();
    setLabelButtonsEnabled(read && m_grid->rowCount() > 0);
    fitColumns();
}

void w_PRNSet::moveLabels()
{
    w_LabelMove moveWindow(m_session, this);
    moveWindow.exec();
    refreshGrid();
}

void w_PRNSet::clearLabels()
{
    MessageService& messages = m_session.messages;
    if (!messages.question(
            this, Titles::PleaseConfirm,
            QStringLiteral("您确定要删除所有的标签设置吗？该操作不会删除宾客姓名的打印设置。")))
        return;
    LabelStore labels(m_session.store);
    if (Status cleared = labels.clearLabels(m_session.state.CurrentListID); !cleared.isOk()) {
        messages.critical(this, Titles::CriticalError, cleared.error());
        return;
    }
    refreshGrid();
    setLabelButtonsEnabled(false);
    messages.information(this, Titles::Notice, QStringLiteral("样式标签已清空。"));
}

void w_PRNSet::chooseFont()
{
    const std::optional<FontChoice> chosen = m_session.fonts.chooseFont(this, m_dialogFont, true);
    if (!chosen)
        return; // cancelled: the boxes keep the font they show
    m_dialogFont = *chosen;
    const FontTexts texts = fontTexts(*chosen);
    m_ui->T_GFont->setText(texts.name);
    m_ui->T_GFontSize->setText(texts.size);
    m_ui->T_GFontStyle->setText(texts.style);
}

std::optional<GuestNameSetting> w_PRNSet::typedGuestName(bool report)
{
    MessageService& messages = m_session.messages;
    if (m_ui->T_GFont->text().isEmpty() || m_ui->T_GFontSize->text().isEmpty() ||
        m_ui->T_GFontStyle->text().isEmpty() || m_ui->T_GX->text().trimmed().isEmpty() ||
        m_ui->T_GY->text().trimmed().isEmpty()) {
        if (report) {
            messages.exclamation(this, Titles::Reminder,
                                 QStringLiteral("请确定宾客姓名在请柬上的打印位置及字体样式。"));
        }
        return std::nullopt;
    }
    GuestNameSetting setting;
    setting.fontName = m_ui->T_GFont->text();
    setting.fontSize = m_ui->T_GFontSize->text();
    setting.styleWord = m_ui->T_GFontStyle->text();
    const struct
    {
        QLineEdit* box;
        const char* what;
        double& value;
        std::optional<double> stored;
    } positions[] = {
        {m_ui->T_GX, "横坐标", setting.xMm,
         m_savedGuestName ? std::optional(m_savedGuestName->xMm) : std::nullopt},
        {m_ui->T_GY, "纵坐标", setting.yMm,
         m_savedGuestName ? std::optional(m_savedGuestName->yMm) : std::nullopt},
    };
    for (const auto& position : positions) {
        const QString what = QString::fromUtf8(position.what);
        const std::optional<double> number = plainNumber(position.box->text().trimmed());
        QString refused;
        if (!number) {
            refused =
                QStringLiteral("宾客姓名的%1只能是数字（可带小数点和负号），请检查后重新输入。").arg(what);
        } else if (*number != position.stored && !kSignedPositionMm.contains(*number)) {
            // Only a new position is held to the range; a stored one is kept as it prints.
            refused = QStringLiteral("宾客姓名的%1必须在 %2之间，请检查后重新输入。")
                          .arg(what, kSignedPositionMm.text(QStringLiteral("毫米")));
        }
        if (!refused.isEmpty()) {
            if (report) {
                messages.critical(this, Titles::CriticalError, refused);
                position.box->setFocus();
            }
            return std::nullopt;
        }
        position.value = *number;
    }
    return setting;
}

void w_PRNSet::save()
{
    const std::optional<GuestNameSetting> setting = typedGuestName(true);
    if (!setting)
        return;
    if (Status saved = LabelStore(m_session.store).saveGuestName(m_session.state.CurrentListID, *setting);
        !saved.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, saved.error());
        return;
    }
    accept();
}

void w_PRNSet::deleteSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_ui->DG_PRN->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    // Nothing brings deleted labels back: asked once for all the rows picked.
    if (!m_session.messages.question(this, Titles::PleaseConfirm,
                                     QStringLiteral("删除选中的 %1 个标签？").arg(rows.size())))
        return;
    if (Status deleted = m_grid->deleteRows(rows); !deleted.isOk())
        m_session.messages.critical(this, Titles::CriticalError, deleted.error());
}

// The Delete key removes the rows picked by their record selectors; a single selected cell is kept.
bool w_PRNSet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->DG_PRN && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelectedRows();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
