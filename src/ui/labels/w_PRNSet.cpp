#include "ui/labels/w_PRNSet.h"
#include "ui_w_PRNSet.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/cards/CardFields.h"
#include "core/printing/PrinterCatalog.h"
#include "core/printing/TestSheet.h"
#include "core/store/CardFieldStore.h"
#include "core/store/CardStore.h"
#include "core/store/LabelGridModel.h"
#include "core/store/LabelStore.h"
#include "core/store/NumberText.h"
#include "core/store/PrinterStore.h"
#include "ui/app/FontDialogService.h"
#include "ui/app/Session.h"
#include "ui/designer/w_Designer.h"
#include "ui/labels/StyleWordDelegate.h"
#include "ui/labels/WordChoiceDelegate.h"
#include "ui/labels/w_Calibrate.h"
#include "ui/labels/w_AddLabel.h"
#include "ui/labels/w_LabelMove.h"
#include "ui/preview/w_Preview.h"

#include <QHeaderView>
#include <QTableView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidgetItem>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kNarrowestTextColumn = 120; // pixels; a label text column never gets narrower
const QString kCustomPaper = QStringLiteral("*custom*");
constexpr double kSmallestPaperMm = 10;
constexpr double kLargestPaperMm = 3000;

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'g', 6);
}

QString paperItem(const QPageSize& size)
{
    const QSizeF s = size.size(QPageSize::Millimeter);
    return QStringLiteral("%1（%2×%3 毫米）").arg(size.name(), mm(s.width()), mm(s.height()));
}

// One side of a custom paper as typed; a message when it is not a usable size.
Result<double> paperSide(const QString& typed, const QString& side)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return Status::failure(QStringLiteral("请填写自定义纸张的宽度和高度（毫米）。"));
    const std::optional<double> value = plainNumber(text);
    if (!value || *value <= 0) {
        return Status::failure(
            QStringLiteral("自定义纸张的%1只能是大于零的数字（毫米），“%2”不是。").arg(side, text));
    }
    if (*value < kSmallestPaperMm || *value > kLargestPaperMm) {
        return Status::failure(
            QStringLiteral("自定义纸张的%1 %2 毫米不在 10 到 3000 毫米之间，请检查后重新输入。")
                .arg(side, text));
    }
    return *value;
}

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
    m_ui->DG_PRN->setItemDelegateForColumn(static_cast<int>(LabelColumn::KeyAnchor),
                                           new WordChoiceDelegate(Placement::anchorWords(), m_ui->DG_PRN));
    m_ui->DG_PRN->setItemDelegateForColumn(static_cast<int>(LabelColumn::KeyVertical),
                                           new WordChoiceDelegate(Placement::writingWords(), m_ui->DG_PRN));
    m_ui->Combo_GAnchor->addItems(Placement::anchorWords());
    m_ui->Combo_GWriting->addItems(Placement::writingWords());
    m_ui->DG_PRN->installEventFilter(this);
    QHeaderView* selectors = m_ui->DG_PRN->verticalHeader();
    selectors->setDefaultAlignment(Qt::AlignCenter);
    selectors->setMinimumWidth(22);
    m_ui->DG_PRN->horizontalHeader()->setStretchLastSection(true);
    // Narrow enough for the columns of two-character headings (对齐, 限宽, 排列 and the like) to
    // leave the text columns their room.
    m_ui->DG_PRN->horizontalHeader()->setMinimumSectionSize(40);

    // Ready-made name formats; any other can be typed.
    m_ui->Combo_NameFormat->addItems(
        {QStringLiteral("{姓名}"), QStringLiteral("{姓名}{称谓}"), QStringLiteral("{姓名} {称谓}")});
    m_ui->Combo_PartnerFormat->addItems({QString(), QStringLiteral("{姓名} {同行} 伉俪"),
                                         QStringLiteral("{姓名}{称谓} {同行}"),
                                         QStringLiteral("{姓名} {同行}")});
    m_ui->Combo_NameFormat->setCurrentText(GuestNameSetting().format);
    m_ui->Combo_PartnerFormat->setCurrentText(QString());
    m_ui->Combo_PartnerFormat->lineEdit()->setPlaceholderText(QStringLiteral("留空时同样使用姓名格式"));
    m_ui->Label14->setText(QStringLiteral("标签内容和姓名格式中可以用花括号写入宾客字段：%1。"
                                          "要打印花括号本身，请写成 {{ 和 }}。")
                               .arg(CardFields::writtenList()));
    const char* const sexes[] = {"男", "女", "（未填）"};
    for (int row = 0; row < 3; ++row) {
        auto* sex = new QTableWidgetItem(QString::fromUtf8(sexes[row]));
        sex->setFlags(Qt::ItemIsEnabled);
        m_ui->DG_Salutation->setItem(row, 0, sex);
        m_ui->DG_Salutation->setItem(row, 1, new QTableWidgetItem());
    }
    showRules(SalutationRules());
    // Three rows, all in sight: the table is sized to them and never scrolls.
    QTableWidget* rules = m_ui->DG_Salutation;
    rules->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rules->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rules->horizontalHeader()->setStretchLastSection(true);
    rules->horizontalHeader()->resizeSection(
        0, rules->fontMetrics().horizontalAdvance(QStringLiteral("（未填）")) + 16);
    rules->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rules->verticalHeader()->setDefaultSectionSize(rules->fontMetrics().height() + 8);
    rules->setFixedSize(rules->horizontalHeader()->sectionSize(0) + 120,
                        rules->horizontalHeader()->sizeHint().height() +
                            3 * rules->verticalHeader()->defaultSectionSize() + 2 * rules->frameWidth());

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
    connect(m_ui->Cmd_Design, &QPushButton::clicked, this, &w_PRNSet::openDesigner);
    connect(m_ui->Combo_Printer, &QComboBox::currentIndexChanged, this, [this] {
        if (m_filling)
            return;
        const Result<PrintSetting> setting = chosenSetting();
        fillPrinterChoices(setting.isOk() ? setting.value() : PrintSetting{});
        showPrinterInfo();
    });
    for (QComboBox* choice : {m_ui->Combo_Paper, m_ui->Combo_Source}) {
        connect(choice, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                showPrinterInfo();
        });
    }
    for (QLineEdit* side : {m_ui->T_PaperW, m_ui->T_PaperH})
        connect(side, &QLineEdit::editingFinished, this, &w_PRNSet::showPrinterInfo);
    connect(m_ui->O_Landscape, &QRadioButton::toggled, this, &w_PRNSet::showPrinterInfo);
    connect(m_ui->Cmd_TestCard, &QPushButton::clicked, this, &w_PRNSet::printTrialCard);
    connect(m_ui->Cmd_Calibrate, &QPushButton::clicked, this, &w_PRNSet::openCalibration);
    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_PRNSet::save);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_guestNameAsLoaded = guestNameTexts();
    m_fieldSettingsAsLoaded = fieldSettingTexts();
    m_timer1->start();
}

w_PRNSet::~w_PRNSet() = default;

QStringList w_PRNSet::guestNameTexts() const
{
    return {m_ui->T_GX->text(),         m_ui->T_GY->text(),
            m_ui->T_GFont->text(),      m_ui->T_GFontSize->text(),
            m_ui->T_GFontStyle->text(), m_ui->Combo_GAnchor->currentText(),
            m_ui->T_GFitWidth->text(),  m_ui->Combo_GWriting->currentText()};
}

QStringList w_PRNSet::fieldSettingTexts() const
{
    QStringList texts{m_ui->Combo_NameFormat->currentText(), m_ui->Combo_PartnerFormat->currentText(),
                      m_ui->Check_TableOrder->isChecked() ? QStringLiteral("1") : QStringLiteral("0")};
    for (int row = 0; row < m_ui->DG_Salutation->rowCount(); ++row)
        texts << m_ui->DG_Salutation->item(row, 1)->text();
    return texts;
}

void w_PRNSet::reject()
{
    const bool name = guestNameEdited();
    const bool fields = fieldSettingsEdited();
    const bool printer = printSettingEdited();
    if (name || fields || printer) {
        QStringList changed;
        if (name)
            changed << QStringLiteral("宾客姓名的打印设置");
        if (fields)
            changed << QStringLiteral("宾客字段的设置");
        if (printer)
            changed << (changed.isEmpty() ? QStringLiteral("打印机与纸张的设置")
                                          : QStringLiteral("打印机与纸张"));
        QString what = changed.takeLast();
        if (!changed.isEmpty())
            what = changed.join(QStringLiteral("、")) + QStringLiteral("和") + what;
        switch (m_session.messages.questionWithCancel(
            this, Titles::PleaseConfirm,
            QStringLiteral("%1已经修改，但还没有保存。\n\n是否保存修改？").arg(what))) {
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
    if (guestNameEdited() || fieldSettingsEdited()) {
        if (const std::optional<GuestNameSetting> typed = typedGuestName(false))
            preview.showTypedGuestName(*typed, typedRules());
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
    loadPrintSetting();
    loadFieldSettings();
    m_guestNameAsLoaded = guestNameTexts();
    m_fieldSettingsAsLoaded = fieldSettingTexts();
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
    m_ui->T_GFont->setToolTip(faceNameShown(setting.fontName));
    m_ui->T_GFontSize->setText(setting.fontSize);
    m_ui->T_GFontStyle->setText(setting.styleWord);
    m_ui->Combo_GAnchor->setCurrentText(Placement::anchorWord(setting.placement.anchor));
    m_ui->T_GFitWidth->setText(setting.placement.hasFitWidth() ? storedText(setting.placement.fitWidthMm)
                                                               : QString());
    m_ui->Combo_GWriting->setCurrentText(Placement::writingWord(setting.placement.vertical));
    m_ui->Combo_NameFormat->setCurrentText(setting.format);
    m_ui->Combo_PartnerFormat->setCurrentText(setting.partnerFormat);
}

void w_PRNSet::loadFieldSettings()
{
    CardFieldStore fields(m_session.store);
    const Result<SalutationRules> rules = fields.salutationRules(m_session.state.CurrentListID);
    const Result<bool> tableOrder = fields.tableOrder(m_session.state.CurrentListID);
    if (!rules.isOk() || !tableOrder.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError,
                                    rules.isOk() ? tableOrder.error() : rules.error());
        return;
    }
    showRules(rules.value());
    m_ui->Check_TableOrder->setChecked(tableOrder.value());
}

void w_PRNSet::showRules(const SalutationRules& rules)
{
    m_ui->DG_Salutation->item(0, 1)->setText(rules.male);
    m_ui->DG_Salutation->item(1, 1)->setText(rules.female);
    m_ui->DG_Salutation->item(2, 1)->setText(rules.unknown);
}

SalutationRules w_PRNSet::typedRules() const
{
    SalutationRules rules;
    rules.male = m_ui->DG_Salutation->item(0, 1)->text().trimmed();
    rules.female = m_ui->DG_Salutation->item(1, 1)->text().trimmed();
    rules.unknown = m_ui->DG_Salutation->item(2, 1)->text().trimmed();
    return rules;
}

bool w_PRNSet::refuseFormats(bool report)
{
    MessageService& messages = m_session.messages;
    if (m_ui->Combo_NameFormat->currentText().trimmed().isEmpty()) {
        if (report) {
            messages.exclamation(this, Titles::MissingItem,
                                 QStringLiteral("请填写宾客姓名的格式，例如“{姓名}”或“{姓名}{称谓}”。"));
            m_ui->Combo_NameFormat->setFocus();
        }
        return true;
    }
    const struct
    {
        QComboBox* box;
        const char* where;
    } formats[] = {{m_ui->Combo_NameFormat, "姓名格式"}, {m_ui->Combo_PartnerFormat, "有同行时的姓名格式"}};
    for (const auto& format : formats) {
        const QString refused =
            CardFields::refusal(format.box->currentText(), QString::fromUtf8(format.where));
        if (!refused.isEmpty()) {
            if (report) {
                messages.exclamation(this, Titles::Reminder, refused);
                format.box->setFocus();
            }
            return true;
        }
    }
    return false;
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
    m_ui->T_GFont->setToolTip(faceNameShown(texts.name));
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
    const std::optional<double> fitWidth = fitWidthNumber(m_ui->T_GFitWidth->text());
    const std::optional<double> storedFit =
        m_savedGuestName ? std::optional(m_savedGuestName->placement.fitWidthMm) : std::nullopt;
    QString refusedFit;
    if (!fitWidth)
        refusedFit = QStringLiteral("宾客姓名的限宽只能是大于零的数字（毫米），不限宽请留空。");
    else if (*fitWidth != storedFit && *fitWidth > kFitWidthMm.max)
        refusedFit = QStringLiteral("宾客姓名的限宽必须大于 0、不超过 %1 毫米，请检查后重新输入。")
                         .arg(QString::number(kFitWidthMm.max));
    if (!refusedFit.isEmpty()) {
        if (report) {
            messages.critical(this, Titles::CriticalError, refusedFit);
            m_ui->T_GFitWidth->setFocus();
        }
        return std::nullopt;
    }
    setting.placement.anchor =
        Placement::anchorOf(m_ui->Combo_GAnchor->currentText()).value_or(TextAnchor::Left);
    setting.placement.fitWidthMm = *fitWidth;
    setting.placement.vertical = Placement::verticalOf(m_ui->Combo_GWriting->currentText()).value_or(false);
    if (refuseFormats(report))
        return std::nullopt;
    setting.format = m_ui->Combo_NameFormat->currentText();
    // An empty partner format is no format: such guests take the name format.
    if (!m_ui->Combo_PartnerFormat->currentText().trimmed().isEmpty())
        setting.partnerFormat = m_ui->Combo_PartnerFormat->currentText();
    return setting;
}

void w_PRNSet::save()
{
    if (writeSettings(true))
        accept();
}

bool w_PRNSet::writeSettings(bool withGuestName)
{
    const std::optional<GuestNameSetting> setting = withGuestName ? typedGuestName(true) : std::nullopt;
    if (withGuestName && !setting)
        return false;
    const Result<PrintSetting> printSetting = chosenSetting();
    if (!printSetting.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, printSetting.error());
        m_ui->T_PaperW->setFocus();
        return false;
    }
    const qint16 listId = m_session.state.CurrentListID;
    CardFieldStore fields(m_session.store);
    // Every setting or none; a style whose printer group was never touched gets no row.
    const Status saved = m_session.store.inTransaction([&]() -> Status {
        if (setting) {
            if (Status s = LabelStore(m_session.store).saveGuestName(listId, *setting); !s.isOk())
                return s;
        }
        if (withGuestName || fieldSettingsEdited()) {
            if (Status s = fields.saveSalutationRules(listId, typedRules()); !s.isOk())
                return s;
            if (Status s = fields.saveTableOrder(listId, m_ui->Check_TableOrder->isChecked()); !s.isOk())
                return s;
        }
        if (!printSettingEdited())
            return Status::ok();
        return PrinterStore(m_session.store).saveStyleSetting(listId, printSetting.value());
    });
    if (!saved.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, saved.error());
        return false;
    }
    return true;
}

void w_PRNSet::openDesigner()
{
    // The designer reads the paper and writes the guest-name setting through the store: what was
    // typed here and not saved is settled first, so neither window overwrites the other.
    const bool printer = printSettingEdited();
    if (guestNameEdited() || printer) {
        const QString what = !printer            ? QStringLiteral("宾客姓名的打印设置")
                             : guestNameEdited() ? QStringLiteral("宾客姓名的打印设置和打印机与纸张")
                                                 : QStringLiteral("打印机与纸张的设置");
        switch (m_session.messages.questionWithCancel(
            this, Titles::PleaseConfirm,
            QStringLiteral("%1已经修改，但还没有保存。\n\n设计请柬之前是否保存修改？").arg(what))) {
        case MessageService::Answer::Yes:
            // Only what was changed: a new style's empty guest font is the designer's to set.
            if (!writeSettings(guestNameEdited()))
                return;
            break;
        case MessageService::Answer::No:
            break;
        case MessageService::Answer::Cancel:
            return;
        }
        for (QLineEdit* box : {m_ui->T_GX, m_ui->T_GY, m_ui->T_GFont, m_ui->T_GFontSize, m_ui->T_GFontStyle,
                               m_ui->T_GFitWidth})
            box->clear();
        m_ui->Combo_GAnchor->setCurrentIndex(0);
        m_ui->Combo_GWriting->setCurrentIndex(0);
        loadGuestName();
        loadPrintSetting();
        m_guestNameAsLoaded = guestNameTexts();
    }
    w_Designer designer(m_session, this);
    connect(&designer, &w_Designer::designSaved, this, [this] {
        const bool read = refreshGrid();
        setLabelButtonsEnabled(read && m_grid->rowCount() > 0);
        fitColumns();
        loadGuestName();
        m_guestNameAsLoaded = guestNameTexts();
        emit designSaved();
    });
    designer.exec();
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

void w_PRNSet::loadPrintSetting()
{
    const Result<PrintSetting> stored =
        PrinterStore(m_session.store).styleSetting(m_session.state.CurrentListID);
    if (!stored.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, stored.error());
        m_ui->F_Printer->setEnabled(false);
        return;
    }
    m_storedSetting = stored.value();
    m_settingRead = true;

    m_filling = true;
    m_ui->Combo_Printer->clear();
    m_ui->Combo_Printer->addItem(QStringLiteral("系统默认打印机"), QString());
    m_ui->Combo_Printer->addItems(PrinterCatalog::printerNames());
    for (int i = 1; i < m_ui->Combo_Printer->count(); ++i)
        m_ui->Combo_Printer->setItemData(i, m_ui->Combo_Printer->itemText(i));
    int shown = m_ui->Combo_Printer->findData(m_storedSetting.printer);
    if (shown < 0) {
        // The style keeps its printer until the user picks another; meanwhile the default prints.
        m_ui->Combo_Printer->addItem(QStringLiteral("%1（已不存在）").arg(m_storedSetting.printer),
                                     m_storedSetting.printer);
        shown = m_ui->Combo_Printer->count() - 1;
    }
    m_ui->Combo_Printer->setCurrentIndex(shown);
    (m_storedSetting.landscape ? m_ui->O_Landscape : m_ui->O_Portrait)->setChecked(true);
    if (m_storedSetting.hasCustomSize()) {
        m_ui->T_PaperW->setText(QLocale::c().toString(m_storedSetting.customSizeMm.width(), 'g', 10));
        m_ui->T_PaperH->setText(QLocale::c().toString(m_storedSetting.customSizeMm.height(), 'g', 10));
    }
    m_filling = false;
    fillPrinterChoices(m_storedSetting);
    showPrinterInfo();
}

void w_PRNSet::fillPrinterChoices(const PrintSetting& setting)
{
    m_filling = true;
    QString printer = m_ui->Combo_Printer->currentData().toString();
    if (printer.isEmpty() || !PrinterCatalog::printerNames().contains(printer))
        printer = PrinterCatalog::defaultPrinterName();

    m_ui->Combo_Paper->clear();
    const QPageSize own =
        printer.isEmpty() ? QPageSize(QPageSize::A4) : PrinterCatalog::defaultPaper(printer);
    m_ui->Combo_Paper->addItem(QStringLiteral("打印机的纸张：%1").arg(paperItem(own)), QString());
    if (!printer.isEmpty()) {
        for (const QPageSize& size : PrinterCatalog::paperSizes(printer))
            m_ui->Combo_Paper->addItem(paperItem(size), size.key());
    }
    // A paper or tray the style keeps although this printer lacks it stays its choice until changed.
    if (!setting.hasCustomSize() && !setting.paperKey.isEmpty() &&
        m_ui->Combo_Paper->findData(setting.paperKey) < 0)
        m_ui->Combo_Paper->addItem(QStringLiteral("%1（这台打印机没有）").arg(setting.paperKey),
                                   setting.paperKey);
    m_ui->Combo_Paper->addItem(QStringLiteral("自定义尺寸"), kCustomPaper);
    const int paper = setting.hasCustomSize() ? m_ui->Combo_Paper->count() - 1
                                              : std::max(0, m_ui->Combo_Paper->findData(setting.paperKey));
    m_ui->Combo_Paper->setCurrentIndex(paper);

    m_ui->Combo_Source->clear();
    m_ui->Combo_Source->addItem(QStringLiteral("由打印机选择"), QString());
    const QList<PrinterCatalog::PaperSource> sources =
        printer.isEmpty() ? QList<PrinterCatalog::PaperSource>() : PrinterCatalog::paperSources(printer);
    for (const PrinterCatalog::PaperSource& source : sources)
        m_ui->Combo_Source->addItem(source.name, source.keyword);
    if (!setting.paperSource.isEmpty() && m_ui->Combo_Source->findData(setting.paperSource) < 0)
        m_ui->Combo_Source->addItem(QStringLiteral("%1（这台打印机没有）").arg(setting.paperSource),
                                    setting.paperSource);
    m_ui->Combo_Source->setCurrentIndex(std::max(0, m_ui->Combo_Source->findData(setting.paperSource)));
    // A tray is only a choice where the printer has more than one.
    m_ui->Label10->setVisible(m_ui->Combo_Source->count() > 1);
    m_ui->Combo_Source->setVisible(m_ui->Combo_Source->count() > 1);
    m_filling = false;
}

Result<PrintSetting> w_PRNSet::chosenSetting() const
{
    PrintSetting setting;
    setting.printer = m_ui->Combo_Printer->currentData().toString();
    setting.landscape = m_ui->O_Landscape->isChecked();
    if (m_ui->Combo_Source->isVisibleTo(this))
        setting.paperSource = m_ui->Combo_Source->currentData().toString();
    const QString paper = m_ui->Combo_Paper->currentData().toString();
    if (paper != kCustomPaper) {
        setting.paperKey = paper;
        return setting;
    }
    const Result<double> width = paperSide(m_ui->T_PaperW->text(), QStringLiteral("宽度"));
    if (!width.isOk())
        return Status::failure(width.error());
    const Result<double> height = paperSide(m_ui->T_PaperH->text(), QStringLiteral("高度"));
    if (!height.isOk())
        return Status::failure(height.error());
    setting.customSizeMm = QSizeF(width.value(), height.value());
    return setting;
}

bool w_PRNSet::printSettingEdited() const
{
    if (!m_settingRead)
        return false;
    const Result<PrintSetting> chosen = chosenSetting();
    return !chosen.isOk() || !(chosen.value() == m_storedSetting);
}

void w_PRNSet::showPrinterInfo()
{
    if (m_filling || !m_settingRead)
        return;
    const bool custom = m_ui->Combo_Paper->currentData().toString() == kCustomPaper;
    m_ui->T_PaperW->setEnabled(custom);
    m_ui->T_PaperH->setEnabled(custom);
    const Result<PrintSetting> setting = chosenSetting();
    if (!setting.isOk()) {
        m_target = PrintTarget{};
        m_ui->L_PrinterInfo->setText(setting.error());
        m_ui->Cmd_TestCard->setEnabled(false);
        m_ui->Cmd_Calibrate->setEnabled(false);
        return;
    }
    const Result<PrintTarget> target = printTarget(m_session.store, setting.value());
    if (!target.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, target.error());
        return;
    }
    m_target = target.value();
    const CardSheet& sheet = m_target.sheet;
    QStringList lines;
    if (!sheet.notice.isEmpty())
        lines << sheet.notice;
    if (sheet.printerName.isEmpty()) {
        lines << QStringLiteral("系统中没有打印机。");
    } else {
        const QSizeF area = sheet.printableSizeMm();
        const QMarginsF margins = sheet.marginsMm();
        QString line =
            QStringLiteral("%1：可打印区域 %2×%3 毫米，页边距 左 %4、上 %5、右 %6、下 %7 毫米。%8。")
                .arg(sheet.printerText(), mm(area.width()), mm(area.height()), mm(margins.left()),
                     mm(margins.top()), mm(margins.right()), mm(margins.bottom()),
                     m_target.correction ? m_target.correction->describe() : QStringLiteral("未校准"));
        lines << line;
    }
    if (Status ready = m_target.readyToPrint(); !ready.isOk())
        lines << QStringLiteral("这台打印机不能使用这个自定义尺寸的纸张。");
    m_ui->L_PrinterInfo->setText(lines.join(QLatin1Char('\n')));
    m_ui->Cmd_TestCard->setEnabled(!sheet.printerName.isEmpty());
    m_ui->Cmd_Calibrate->setEnabled(!sheet.printerName.isEmpty());
}

void w_PRNSet::printTrialCard()
{
    const SharedState& state = m_session.state;
    const Result<QString> printed = printStyleTrialCard(m_session.store, m_session.printer,
                                                        state.CurrentListID, state.CurrentListName, m_target);
    if (!printed.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, printed.error());
        return;
    }
    m_session.messages.information(this, Titles::Notice,
                                   QStringLiteral("宾客“%1”的请柬已交给打印机“%2”试印。请用普通白纸打印，"
                                                  "把它叠在一张请柬上对着光检查文字的位置。")
                                       .arg(printed.value(), m_target.sheet.printerName));
}

void w_PRNSet::openCalibration()
{
    if (m_target.sheet.printerName.isEmpty())
        return;
    w_Calibrate calibration(m_session, m_target.sheet, this);
    connect(&calibration, &w_Calibrate::calibrationChanged, this, &w_PRNSet::showPrinterInfo);
    calibration.exec();
}
