#include "ui/labels/w_AddLabel.h"
#include "ui_w_AddLabel.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/cards/CardFields.h"
#include "core/store/LabelStore.h"
#include "core/store/NumberText.h"
#include "ui/app/FontDialogService.h"
#include "ui/app/Session.h"

#include <QFontMetrics>

#include <algorithm>
#include <tuple>

namespace {

const QString kXCaptionEnd = QStringLiteral("X:");

} // namespace

w_AddLabel::w_AddLabel(Session& session, const std::optional<Label>& toChange, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_AddLabel>()),
      m_session(session), m_dialogFont{QStringLiteral("宋体"), 11, false, false}, m_toChange(toChange)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->UD_X->setBuddy(m_ui->T_X);
    const int lowest = static_cast<int>(kPositionMm.min);
    const int highest = static_cast<int>(kPositionMm.max);
    m_ui->UD_X->setRange(lowest, highest);
    m_ui->UpDown1->setBuddy(m_ui->T_Y);
    m_ui->UpDown1->setRange(lowest, highest);
    m_ui->L_Saved->hide();
    m_ui->Combo_Anchor->addItems(Placement::anchorWords());
    m_ui->Combo_Writing->addItems(Placement::writingWords());
    // The font boxes are filled only through the font dialog: show them as not for typing.
    for (QLineEdit* fontBox : {m_ui->T_FontName, m_ui->T_FontSize, m_ui->T_FontStyle}) {
        QPalette palette = fontBox->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        fontBox->setPalette(palette);
    }

    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_AddLabel::save);
    connect(m_ui->Cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->Cmd_SelFont, &QPushButton::clicked, this, &w_AddLabel::chooseFont);
    connect(m_ui->T_LabName, &QLineEdit::textChanged, m_ui->L_Saved, &QWidget::hide);
    connect(m_ui->Combo_Field, &QComboBox::activated, this, &w_AddLabel::insertField);

    // The first entry is the caption; each other one puts its field into the text.
    m_ui->Combo_Field->addItem(QStringLiteral("插入宾客字段..."));
    for (int field = 0; field < kCardFieldCount; ++field)
        m_ui->Combo_Field->addItem(
            QStringLiteral("{%1}").arg(CardFields::name(static_cast<CardField>(field))));

    m_ui->T_LabName->setFocus();
    setWindowTitle(QStringLiteral("添加打印标签"));
    if (toChange) {
        setWindowTitle(QStringLiteral("修改打印标签"));
        m_ui->T_LabName->setText(toChange->name);
        m_ui->T_LabTXT->setPlainText(toChange->text);
        m_ui->T_X->setText(storedText(toChange->xMm));
        m_ui->T_Y->setText(storedText(toChange->yMm));
        m_ui->T_FontName->setText(toChange->fontName);
        m_ui->T_FontSize->setText(toChange->fontSize);
        m_ui->T_FontStyle->setText(toChange->styleWord);
        showPlacement(toChange->placement);
        m_ui->T_LabName->setEnabled(false);
        m_ui->T_LabTXT->setFocus();
    }
}

w_AddLabel::~w_AddLabel() = default;

void w_AddLabel::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeCoordinates();
}

void w_AddLabel::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeCoordinates();
}

// The one caption "坐 标 值  X: ... Y:" runs behind the coordinate row; each box with its spin
// control and unit follows its own "X:" or "Y:" in the caption, wherever the font puts them.
void w_AddLabel::placeCoordinates()
{
    QLabel* caption = m_ui->Label5;
    const QFontMetrics metrics(caption->font());
    const QString text = caption->text();
    const int height = std::max(m_ui->T_X->sizeHint().height(), metrics.height() + 6);
    const int xEnd = metrics.horizontalAdvance(text.left(text.indexOf(kXCaptionEnd) + kXCaptionEnd.size()));
    const int yEnd = metrics.horizontalAdvance(text);
    const int boxWidth = std::max(metrics.horizontalAdvance(QStringLiteral("00000")), 44);
    const int unitWidth = metrics.horizontalAdvance(QStringLiteral("mm")) + 4;

    caption->setGeometry(0, 0, yEnd + 2, height);
    int x = xEnd + 4;
    for (auto [box, spin, unit] : {std::tuple{m_ui->T_X, m_ui->UD_X, m_ui->Label3},
                                   std::tuple{m_ui->T_Y, m_ui->UpDown1, m_ui->Label9}}) {
        box->setGeometry(x, 0, boxWidth, height);
        spin->setGeometry(x + boxWidth, 0, 18, height);
        unit->setGeometry(x + boxWidth + 20, 0, unitWidth, height);
        x = yEnd + 4;
    }
    m_ui->coordinates->setMinimumSize(x + boxWidth + 20 + unitWidth, height);
}

bool w_AddLabel::refuseInput()
{
    MessageService& messages = m_session.messages;
    struct Required
    {
        QString text;
        QWidget* box;
        const char* message;
    };
    const Required required[] = {
        {m_ui->T_LabName->text(), m_ui->T_LabName, "请为新标签取一个名称，以便辨认。"},
        {m_ui->T_LabTXT->toPlainText(), m_ui->T_LabTXT, "请输入新标签的内容，该内容即是将来要打印的文字。"},
        {m_ui->T_X->text(), m_ui->T_X, "请确定新标签的打印横坐标，坐标零点为左上角。"},
        {m_ui->T_Y->text(), m_ui->T_Y, "请确定新标签的打印纵坐标，坐标零点为左上角。"},
    };
    for (const Required& item : required) {
        if (item.text.trimmed().isEmpty()) {
            messages.exclamation(this, Titles::MissingItem, QString::fromUtf8(item.message));
            item.box->setFocus();
            return true;
        }
    }
    if (!digitsNumber(m_ui->T_X->text().trimmed())) {
        messages.critical(this, Titles::CriticalError,
                          QStringLiteral("横坐标只能是数字，请检查后重新输入。"));
        return true;
    }
    if (!digitsNumber(m_ui->T_Y->text().trimmed())) {
        messages.critical(this, Titles::CriticalError,
                          QStringLiteral("纵坐标只能是数字，请检查后重新输入。"));
        return true;
    }
    // A position typed anew must lie on paper; the one a changed label already has is kept as it is.
    const struct
    {
        QLineEdit* box;
        const char* what;
        std::optional<double> stored;
    } positions[] = {
        {m_ui->T_X, "横坐标", m_toChange ? std::optional(m_toChange->xMm) : std::nullopt},
        {m_ui->T_Y, "纵坐标", m_toChange ? std::optional(m_toChange->yMm) : std::nullopt},
    };
    for (const auto& position : positions) {
        const double value = digitsNumber(position.box->text().trimmed()).value_or(0);
        if (value != position.stored && !kPositionMm.contains(value)) {
            messages.critical(
                this, Titles::CriticalError,
                QStringLiteral("%1必须在 %2之间，请检查后重新输入。")
                    .arg(QString::fromUtf8(position.what), kPositionMm.text(QStringLiteral("毫米"))));
            position.box->setFocus();
            position.box->selectAll();
            return true;
        }
    }
    // A fit width may be left empty; a typed one must be a width some paper has.
    const std::optional<double> fitWidth = fitWidthNumber(m_ui->T_FitWidth->text());
    const std::optional<double> storedFit =
        m_toChange ? std::optional(m_toChange->placement.fitWidthMm) : std::nullopt;
    QString refusedFit;
    if (!fitWidth)
        refusedFit = QStringLiteral("限宽只能是大于零的数字（毫米），不限宽请留空。");
    else if (*fitWidth != storedFit && *fitWidth > kFitWidthMm.max)
        refusedFit = QStringLiteral("限宽必须大于 0、不超过 %1 毫米，请检查后重新输入。")
                         .arg(QString::number(kFitWidthMm.max));
    if (!refusedFit.isEmpty()) {
        messages.critical(this, Titles::CriticalError, refusedFit);
        m_ui->T_FitWidth->setFocus();
        m_ui->T_FitWidth->selectAll();
        return true;
    }
    if (m_ui->T_FontName->text().isEmpty() || m_ui->T_FontSize->text().isEmpty() ||
        m_ui->T_FontStyle->text().isEmpty()) {
        messages.exclamation(this, Titles::MissingItem, QStringLiteral("请为新标签设置一种字体。"));
        return true;
    }
    // A text kept as it was stored prints as it always did, braces and all; only what is typed is
    // held to the fields.
    const QString text = m_ui->T_LabTXT->toPlainText();
    const bool storedTextKept = m_toChange && text == m_toChange->text;
    if (const QString refused =
            storedTextKept ? QString() : CardFields::refusal(text, QStringLiteral("标签内容"));
        !refused.isEmpty()) {
        messages.exclamation(this, Titles::Reminder, refused);
        m_ui->T_LabTXT->setFocus();
        return true;
    }
    return false;
}

Label w_AddLabel::typedLabel() const
{
    // The checks have passed, so both positions are digit texts.
    Label label;
    label.name = m_ui->T_LabName->text();
    label.text = m_ui->T_LabTXT->toPlainText();
    label.xMm = digitsNumber(m_ui->T_X->text().trimmed()).value_or(0);
    label.yMm = digitsNumber(m_ui->T_Y->text().trimmed()).value_or(0);
    label.fontName = m_ui->T_FontName->text();
    label.fontSize = m_ui->T_FontSize->text();
    label.styleWord = m_ui->T_FontStyle->text();
    label.placement.anchor =
        Placement::anchorOf(m_ui->Combo_Anchor->currentText()).value_or(TextAnchor::Left);
    label.placement.fitWidthMm = fitWidthNumber(m_ui->T_FitWidth->text()).value_or(0);
    label.placement.vertical = Placement::verticalOf(m_ui->Combo_Writing->currentText()).value_or(false);
    return label;
}

void w_AddLabel::insertField(int index)
{
    if (index > 0)
        m_ui->T_LabTXT->insertPlainText(m_ui->Combo_Field->itemText(index));
    m_ui->Combo_Field->setCurrentIndex(0);
    m_ui->T_LabTXT->setFocus();
}

void w_AddLabel::save()
{
    if (refuseInput())
        return;
    const Label label = typedLabel();
    if (m_toChange)
        changeLabel(label);
    else
        addLabel(label);
}

void w_AddLabel::addLabel(const Label& label)
{
    MessageService& messages = m_session.messages;
    LabelStore labels(m_session.store);
    const Result<std::optional<LabelNameOwner>> owner = labels.labelNameOwner(label.name);
    if (!owner.isOk()) {
        messages.critical(this, Titles::CriticalError, owner.error());
        return;
    }
    if (owner.value()) {
        // Label names are unique over all styles: say where the name is taken, or the user searches
        // the current style in vain.
        const LabelNameOwner& taken = *owner.value();
        const QString where =
            taken.styleName.isEmpty()
                ? QStringLiteral("编号为 %1 的请柬样式（该样式已不存在，只留下了它的标签）").arg(taken.listId)
                : QStringLiteral("请柬样式“%1”").arg(taken.styleName);
        messages.exclamation(
            this, Titles::Reminder,
            QStringLiteral("当前标签名称与%1中已存在的标签重名，请重新命名当前标签。").arg(where));
        m_ui->T_LabName->setFocus();
        m_ui->T_LabName->selectAll();
        return;
    }
    if (Status added = labels.addLabel(m_session.state.CurrentListID, label); !added.isOk()) {
        messages.critical(this, Titles::CriticalError, added.error());
        return;
    }
    emit labelsChanged();
    m_ui->T_LabName->clear(); // hides the notice of the label before
    m_ui->T_LabTXT->clear();
    m_ui->T_X->clear();
    m_ui->T_Y->clear();
    m_ui->T_FontName->clear();
    m_ui->T_FontSize->clear();
    m_ui->T_FontStyle->clear();
    showPlacement(TextPlacement{});
    m_ui->L_Saved->show();
    m_ui->T_LabName->setFocus();
}

void w_AddLabel::changeLabel(const Label& label)
{
    LabelStore labels(m_session.store);
    const Result<bool> changed = labels.changeLabel(m_session.state.CurrentListID, label);
    if (!changed.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, changed.error());
        return;
    }
    emit labelsChanged();
    // A label deleted meanwhile is passed over without a word, as nothing is left to change.
    accept();
}

void w_AddLabel::showPlacement(const TextPlacement& placement)
{
    m_ui->Combo_Anchor->setCurrentText(Placement::anchorWord(placement.anchor));
    m_ui->T_FitWidth->setText(placement.hasFitWidth() ? storedText(placement.fitWidthMm) : QString());
    m_ui->Combo_Writing->setCurrentText(Placement::writingWord(placement.vertical));
}

void w_AddLabel::chooseFont()
{
    const std::optional<FontChoice> chosen = m_session.fonts.chooseFont(this, m_dialogFont, false);
    if (!chosen)
        return; // cancelled: the boxes keep the font they show
    m_dialogFont = *chosen;
    const FontTexts texts = fontTexts(*chosen);
    m_ui->T_FontName->setText(texts.name);
    m_ui->T_FontSize->setText(texts.size);
    m_ui->T_FontStyle->setText(texts.style);
}
