#include "ui/designer/w_Designer.h"
#include "ui_w_Designer.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/cards/FontChoice.h"
#include "core/cards/TextPlacement.h"
#include "core/design/DesignCanvas.h"
#include "core/printing/PrintTarget.h"
#include "core/printing/PrinterCatalog.h"
#include "core/store/NumberText.h"
#include "ui/app/FileChooser.h"
#include "ui/app/FontDialogService.h"
#include "ui/app/Session.h"

#include <QKeyEvent>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kZoomStep = 1.25;
const QString kMixed = QStringLiteral("（多种）");

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'f', 1);
}

// What a stored font looks like in the font dialog.
FontChoice fontChoiceOf(const QString& name, const QString& size, const QString& style)
{
    const FontStyleFlags flags = fontStyleFlags(style).value_or(FontStyleFlags{});
    return FontChoice{name.isEmpty() ? QStringLiteral("宋体") : name, plainNumber(size).value_or(12),
                      flags.bold, flags.italic};
}

} // namespace

w_Designer::w_Designer(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_Designer>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_ui->F_Scroll->setBackgroundRole(QPalette::Dark);
    m_ui->Combo_Style->addItems(
        {QStringLiteral("常规"), QStringLiteral("粗体"), QStringLiteral("斜体"), QStringLiteral("粗斜体")});
    m_ui->Combo_Anchor->addItems(Placement::anchorWords());
    m_ui->Combo_Writing->addItems(Placement::writingWords());
    // The font box is filled only through the font dialog: shown as not for typing.
    QPalette palette = m_ui->T_FontName->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    m_ui->T_FontName->setPalette(palette);

    m_inPlace = new QPlainTextEdit(m_ui->P_Card);
    m_inPlace->setObjectName(QStringLiteral("T_InPlace"));
    m_inPlace->hide();
    m_inPlace->installEventFilter(this);
    m_ui->T_Text->installEventFilter(this);

    m_timerLoad = new QTimer(this);
    m_timerLoad->setObjectName(QStringLiteral("Timer_Load"));
    m_timerLoad->setInterval(50);
    connect(m_timerLoad, &QTimer::timeout, this, &w_Designer::load);
    connectControls();
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->G_Properties), static_cast<QWidget*>(m_ui->G_Background),
          static_cast<QWidget*>(m_ui->Cmd_AddLabel), static_cast<QWidget*>(m_ui->Cmd_Delete),
          static_cast<QWidget*>(m_ui->Cmd_Background), static_cast<QWidget*>(m_ui->Cmd_Save)})
        control->setEnabled(false);
    m_timerLoad->start();
}

w_Designer::~w_Designer()
{
    // A box that still has the focus reports its editing finished while the widgets go, after this
    // window's own part is gone: nothing of it may be called then.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    m_inPlace->removeEventFilter(this);
    m_ui->T_Text->removeEventFilter(this);
    // The canvas and the widgets showing it go before the document they refer to, and the
    // document's last signals (its undo stack is cleared) reach no half-destroyed window.
    m_ui->P_Card->setCanvas(nullptr);
    delete m_canvas;
    if (m_document) {
        m_document->disconnect(this);
        m_document->undoStack().disconnect(this);
        m_document.reset();
    }
}

void w_Designer::connectControls()
{
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->Cmd_Save, &QPushButton::clicked, this, &w_Designer::save);
    connect(m_ui->Cmd_AddLabel, &QPushButton::clicked, this, &w_Designer::addLabel);
    connect(m_ui->Cmd_Delete, &QPushButton::clicked, this, &w_Designer::deleteSelection);
    connect(m_ui->Cmd_Undo, &QPushButton::clicked, this, [this] {
        if (m_document)
            m_document->undoStack().undo();
    });
    connect(m_ui->Cmd_Redo, &QPushButton::clicked, this, [this] {
        if (m_document)
            m_document->undoStack().redo();
    });
    const auto shortcut = [this](const QKeySequence& keys, const char* name, QPushButton* button) {
        auto* key = new QShortcut(keys, this);
        key->setObjectName(QLatin1String(name));
        connect(key, &QShortcut::activated, button, &QPushButton::click);
    };
    // Named keys rather than the platform's lists: where those hold Ctrl+Y too, two shortcuts on
    // one key would both stay silent.
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), "Shortcut_Undo", m_ui->Cmd_Undo);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), "Shortcut_Redo", m_ui->Cmd_Redo);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), "Shortcut_Redo2", m_ui->Cmd_Redo);

    connect(m_ui->Cmd_Fit, &QPushButton::clicked, this, [this] {
        m_fitting = true;
        fitZoom();
    });
    connect(m_ui->Cmd_Zoom100, &QPushButton::clicked, this, [this] { setZoom(trueSizeDpi()); });
    connect(m_ui->Cmd_Zoom200, &QPushButton::clicked, this, [this] { setZoom(2 * trueSizeDpi()); });
    connect(m_ui->Chk_Snap, &QCheckBox::toggled, this, [this](bool on) {
        if (m_canvas)
            m_canvas->setSnapping(on);
    });
    connect(m_ui->P_Card, &DesignCanvasWidget::zoomStepped, this, &w_Designer::zoomBy);
    connect(m_ui->P_Card, &DesignCanvasWidget::deletePressed, this, &w_Designer::deleteSelection);
    connect(m_ui->P_Card, &DesignCanvasWidget::itemDoubleClicked, this, &w_Designer::editInPlace);
    connect(m_ui->P_Card, &DesignCanvasWidget::emptyDoubleClicked, this, [this](const QPointF& px) {
        if (m_canvas)
            addLabelAt(m_canvas->toMm(px));
    });
    for (QScrollBar* bar : {m_ui->F_Scroll->horizontalScrollBar(), m_ui->F_Scroll->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, m_ui->R_Top, qOverload<>(&QWidget::update));
        connect(bar, &QScrollBar::valueChanged, m_ui->R_Left, qOverload<>(&QWidget::update));
    }
    connectPanel();
    connectBackground();
}

void w_Designer::findGuest()
{
    const QString text = m_ui->T_FindGuest->text().trimmed();
    if (!m_document || text.isEmpty())
        return;
    const Result<bool> found = m_document->showGuestContaining(text);
    if (!found.isOk())
        report(Status::failure(found.error()));
    else if (!found.value())
        m_session.messages.exclamation(this, Titles::Reminder,
                                       QStringLiteral("没有找到姓名中含有“%1”的宾客。").arg(text));
}

void w_Designer::connectPanel()
{
    connect(m_ui->Cmd_FirstGuest, &QPushButton::clicked, this, [this] {
        if (m_document)
            report(m_document->showFirstGuest());
    });
    connect(m_ui->Cmd_LongestName, &QPushButton::clicked, this, [this] {
        if (m_document)
            report(m_document->showLongestGuest());
    });
    connect(m_ui->Cmd_FindGuest, &QPushButton::clicked, this, &w_Designer::findGuest);
    connect(m_ui->T_FindGuest, &QLineEdit::returnPressed, this, &w_Designer::findGuest);

    for (QLineEdit* box : {m_ui->T_Name, m_ui->T_FontSize, m_ui->T_FitWidth, m_ui->T_X, m_ui->T_Y})
        connect(box, &QLineEdit::editingFinished, this, [this] { applyPanel(); });
    connect(m_ui->Combo_Style, &QComboBox::activated, this, [this] {
        if (!m_filling && m_document)
            report(m_document->setStyleWord(selection(), m_ui->Combo_Style->currentText()));
    });
    connect(m_ui->Cmd_SelFont, &QPushButton::clicked, this, &w_Designer::chooseFont);
    connect(m_ui->Combo_Anchor, &QComboBox::activated, this, [this] {
        if (!m_filling && m_document)
            report(m_document->setAnchorWord(selection(), m_ui->Combo_Anchor->currentText()));
    });
    connect(m_ui->Combo_Writing, &QComboBox::activated, this, [this] {
        if (!m_filling && m_document)
            report(m_document->setWritingWord(selection(), m_ui->Combo_Writing->currentText()));
    });
}

void w_Designer::connectBackground()
{
    connect(m_ui->Cmd_Background, &QPushButton::clicked, this, &w_Designer::chooseBackground);
    connect(m_ui->Cmd_BgRemove, &QPushButton::clicked, this, [this] { m_document->removeBackground(); });
    connect(m_ui->O_BgPaper, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !m_filling)
            report(m_document->setBackgroundWidthText(QString()));
    });
    connect(m_ui->O_BgWidth, &QRadioButton::toggled, this, [this](bool on) {
        if (!on || m_filling)
            return;
        // Starts from the paper's width, so the picture does not jump.
        if (m_ui->T_BgWidth->text().trimmed().isEmpty())
            m_ui->T_BgWidth->setText(mm(m_document->sheet().paperSizeMm().width()));
        report(m_document->setBackgroundWidthText(m_ui->T_BgWidth->text()));
    });
    connect(m_ui->T_BgWidth, &QLineEdit::editingFinished, this, [this] {
        if (!m_filling && m_ui->O_BgWidth->isChecked())
            report(m_document->setBackgroundWidthText(m_ui->T_BgWidth->text()));
    });
    connect(m_ui->T_BgX, &QLineEdit::editingFinished, this, [this] {
        if (!m_filling)
            report(m_document->setBackgroundOffsetText(Qt::Horizontal, m_ui->T_BgX->text()));
    });
    connect(m_ui->T_BgY, &QLineEdit::editingFinished, this, [this] {
        if (!m_filling)
            report(m_document->setBackgroundOffsetText(Qt::Vertical, m_ui->T_BgY->text()));
    });
    connect(m_ui->S_Opacity, &QSlider::valueChanged, this, [this](int value) {
        m_ui->L_Opacity->setText(QStringLiteral("%1%").arg(value));
        if (!m_filling)
            m_document->setBackgroundOpacity(value / 100.0);
    });
    connect(m_ui->Chk_BgPreview, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_filling)
            m_document->setBackgroundInPreview(on);
    });
}

void w_Designer::load()
{
    m_timerLoad->stop();
    const SharedState& state = m_session.state;
    m_ui->L_Title->setText(state.CurrentListName);
    setWindowTitle(QStringLiteral("设计请柬 - %1").arg(state.CurrentListName));
    // The style's own paper and printable area, as the preview shows them.
    const Result<PrintTarget> target = printTarget(m_session.store, state.CurrentListID);
    const CardSheet sheet =
        target.isOk() ? target.value().sheet : PrinterCatalog::resolveSheet(PrintSetting{});
    const QSizeF printable = sheet.printableSizeMm();
    m_ui->L_Paper->setText(QStringLiteral("（%1，可打印区域 %2×%3 毫米）")
                               .arg(sheet.paperText(), mm(printable.width()), mm(printable.height())));

    Result<std::unique_ptr<DesignDocument>> opened =
        DesignDocument::open(m_session.store, state.CurrentListID, state.CurrentListName, sheet);
    if (!opened.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, opened.error());
        return;
    }
    m_document = std::move(opened.value());
    m_canvas = new DesignCanvas(*m_document, this);
    m_canvas->setObjectName(QStringLiteral("Canvas"));
    m_ui->P_Card->setCanvas(m_canvas);
    m_ui->R_Top->follow(m_canvas, m_ui->P_Card, Qt::Horizontal);
    m_ui->R_Left->follow(m_canvas, m_ui->P_Card, Qt::Vertical);
    connect(m_canvas, &DesignCanvas::selectionChanged, this, &w_Designer::showSelection);
    connect(m_canvas, &DesignCanvas::cursorMoved, this, &w_Designer::showStatus);
    connect(m_canvas, &DesignCanvas::resized, m_ui->R_Top, qOverload<>(&QWidget::update));
    connect(m_canvas, &DesignCanvas::resized, m_ui->R_Left, qOverload<>(&QWidget::update));
    connect(m_document.get(), &DesignDocument::changed, this, [this] {
        showSelection();
        showBackground();
        showGuestShown();
    });
    connect(&m_document->undoStack(), &QUndoStack::indexChanged, this, &w_Designer::showUndoState);
    connect(&m_document->undoStack(), &QUndoStack::cleanChanged, this, &w_Designer::showUndoState);
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->G_Properties), static_cast<QWidget*>(m_ui->Cmd_AddLabel),
          static_cast<QWidget*>(m_ui->Cmd_Background)})
        control->setEnabled(true);
    m_canvas->setSnapping(m_ui->Chk_Snap->isChecked());
    fitZoom();
    showSelection();
    showBackground();
    showGuestShown();
    showUndoState();
    showStatus();
    m_ui->P_Card->setFocus();
    if (!m_document->notice().isEmpty())
        m_session.messages.exclamation(this, Titles::Reminder, m_document->notice());
}

double w_Designer::zoomDpi() const
{
    return m_canvas ? m_canvas->dpi() : 0;
}

double w_Designer::trueSizeDpi() const
{
    // The screen's own dots per inch: a millimetre on the screen is a millimetre on the card.
    const double physical = screen() ? screen()->physicalDotsPerInchX() : 0;
    return physical > 0 ? physical : logicalDpiX();
}

void w_Designer::setZoom(double dpi)
{
    m_fitting = false;
    if (!m_canvas)
        return;
    const double set = m_canvas->setDpi(dpi);
    m_ui->L_Zoom->setText(QStringLiteral("%1%").arg(std::lround(set / trueSizeDpi() * 100)));
    finishInPlace(true);
}

void w_Designer::fitZoom()
{
    if (!m_canvas)
        return;
    const QSize room = m_ui->F_Scroll->viewport()->size() - QSize(4, 4);
    setZoom(m_canvas->fitDpi(room));
    m_fitting = true;
}

void w_Designer::zoomBy(int steps, const QPointF& aboutPx)
{
    if (!m_canvas)
        return;
    // The point under the pointer stays under the pointer.
    const QPointF mm = m_canvas->toMm(aboutPx);
    setZoom(m_canvas->dpi() * std::pow(kZoomStep, steps));
    const QPointF moved = m_canvas->toPx(mm) - aboutPx;
    QScrollBar* h = m_ui->F_Scroll->horizontalScrollBar();
    QScrollBar* v = m_ui->F_Scroll->verticalScrollBar();
    h->setValue(h->value() + static_cast<int>(std::lround(moved.x())));
    v->setValue(v->value() + static_cast<int>(std::lround(moved.y())));
}

void w_Designer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_fitting)
        fitZoom();
}

QList<DesignKey> w_Designer::selection() const
{
    return m_canvas ? m_canvas->selection() : QList<DesignKey>();
}

void w_Designer::showSelection()
{
    if (!m_document)
        return;
    m_filling = true;
    const QList<DesignKey> keys = selection();
    const bool one = keys.size() == 1;
    const std::optional<Label> label = one ? m_document->label(keys.first()) : std::nullopt;
    if (keys.isEmpty()) {
        m_ui->L_Item->setText(
            QStringLiteral("没有选中。单击选中一个标签或宾客姓名，拖动它就能移动；"
                           "按住 Shift 或 Ctrl 单击可以多选，也可以在空白处拖出方框来选。"));
    } else {
        m_ui->L_Item->setText(
            one ? m_document->caption(keys.first())
                : QStringLiteral("已选中 %1 项，可以一起拖动、微调或改字体。").arg(keys.size()));
    }
    m_ui->T_Name->setText(label ? label->name : (one ? QStringLiteral("宾客姓名") : QString()));
    m_ui->T_Name->setEnabled(label.has_value());
    if (!m_ui->T_Text->hasFocus())
        m_ui->T_Text->setPlainText(label ? label->text : (one ? m_document->shownGuest() : QString()));
    m_ui->T_Text->setEnabled(label.has_value());

    // Font, size and style word: shown when every item selected has the same.
    QStringList names, sizes, styles;
    for (const DesignKey key : keys) {
        const std::optional<Label> item = m_document->label(key);
        const GuestNameSetting& guest = m_document->guestName();
        names << (item ? item->fontName : guest.fontName);
        sizes << (item ? item->fontSize : guest.fontSize);
        styles << (item ? item->styleWord : guest.styleWord);
    }
    names.removeDuplicates();
    sizes.removeDuplicates();
    styles.removeDuplicates();
    m_ui->T_FontName->setText(names.size() == 1 ? faceNameShown(names.first())
                                                : (names.isEmpty() ? QString() : kMixed));
    m_ui->T_FontName->setCursorPosition(0); // the face name first; the face it prints in follows
    m_ui->T_FontName->setToolTip(m_ui->T_FontName->text());
    m_ui->T_FontSize->setText(sizes.size() == 1 ? sizes.first() : QString());
    m_ui->Combo_Style->setCurrentIndex(styles.size() == 1 ? m_ui->Combo_Style->findText(styles.first()) : -1);
    showPlacement(keys);
    for (QWidget* box : {static_cast<QWidget*>(m_ui->Cmd_SelFont), static_cast<QWidget*>(m_ui->T_FontSize),
                         static_cast<QWidget*>(m_ui->Combo_Style), static_cast<QWidget*>(m_ui->Combo_Anchor),
                         static_cast<QWidget*>(m_ui->Combo_Writing), static_cast<QWidget*>(m_ui->T_FitWidth)})
        box->setEnabled(!keys.isEmpty());

    const QPointF position = one ? m_document->positionMm(keys.first()) : QPointF();
    m_ui->T_X->setText(one ? storedText(position.x()) : QString());
    m_ui->T_Y->setText(one ? storedText(position.y()) : QString());
    m_ui->T_X->setEnabled(one);
    m_ui->T_Y->setEnabled(one);
    m_ui->Cmd_Delete->setEnabled(!keys.isEmpty() && !(one && keys.first() == kGuestNameKey));
    m_filling = false;
}

void w_Designer::showPlacement(const QList<DesignKey>& keys)
{
    // Each shown where every item selected has the same, as the font.
    QStringList anchors, writings, fits;
    for (const DesignKey key : keys) {
        const TextPlacement placement = m_document->placement(key);
        anchors << Placement::anchorWord(placement.anchor);
        writings << Placement::writingWord(placement.vertical);
        fits << (placement.hasFitWidth() ? storedText(placement.fitWidthMm) : QString());
    }
    anchors.removeDuplicates();
    writings.removeDuplicates();
    fits.removeDuplicates();
    m_ui->Combo_Anchor->setCurrentIndex(anchors.size() == 1 ? m_ui->Combo_Anchor->findText(anchors.first())
                                                            : -1);
    m_ui->Combo_Writing->setCurrentIndex(
        writings.size() == 1 ? m_ui->Combo_Writing->findText(writings.first()) : -1);
    m_ui->T_FitWidth->setText(fits.size() == 1 ? fits.first() : QString());
    m_shownFitWidth = m_ui->T_FitWidth->text();
}

void w_Designer::showBackground()
{
    if (!m_document)
        return;
    m_filling = true;
    const bool has = m_document->hasBackground();
    m_ui->G_Background->setEnabled(has);
    const BackgroundPlacement placement = m_document->background().placement;
    m_ui->L_BgFile->setText(has ? QStringLiteral("“%1”").arg(m_document->background().fileName)
                                : QStringLiteral("还没有背景图片。点“背景图片...”载入扫描好的空白请柬"
                                                 "（PNG、JPEG 图片或 PDF 的第一页）。"));
    (placement.fitsPaper() ? m_ui->O_BgPaper : m_ui->O_BgWidth)->setChecked(true);
    m_ui->T_BgWidth->setText(placement.fitsPaper() ? QString() : storedText(placement.widthMm));
    m_ui->T_BgX->setText(storedText(placement.offsetMm.x()));
    m_ui->T_BgY->setText(storedText(placement.offsetMm.y()));
    m_ui->S_Opacity->setValue(static_cast<int>(std::lround(placement.opacity * 100)));
    m_ui->L_Opacity->setText(QStringLiteral("%1%").arg(m_ui->S_Opacity->value()));
    m_ui->Chk_BgPreview->setChecked(placement.inPreview);
    m_filling = false;
}

void w_Designer::showGuestShown()
{
    if (m_document)
        m_ui->L_Guest->setText(m_document->shownGuest());
}

void w_Designer::showStatus()
{
    m_ui->R_Top->update();
    m_ui->R_Left->update();
    QString text =
        QStringLiteral("拖动标签可以移动它，方向键微调 0.1 毫米（按住 Shift 为 1 毫米），双击可以修改文字。");
    if (m_canvas && m_canvas->cursorMm()) {
        const QPointF at = *m_canvas->cursorMm();
        text = QStringLiteral("光标位置：横 %1 毫米，纵 %2 毫米（从可打印区域左上角算起）　")
                   .arg(mm(at.x()), mm(at.y())) +
               text;
    }
    m_ui->L_Status->setText(text);
}

void w_Designer::showUndoState()
{
    if (!m_document)
        return;
    const QUndoStack& undo = m_document->undoStack();
    m_ui->Cmd_Undo->setEnabled(undo.canUndo());
    m_ui->Cmd_Redo->setEnabled(undo.canRedo());
    m_ui->Cmd_Undo->setToolTip(undo.canUndo() ? QStringLiteral("撤销：%1").arg(undo.undoText()) : QString());
    m_ui->Cmd_Redo->setToolTip(undo.canRedo() ? QStringLiteral("重做：%1").arg(undo.redoText()) : QString());
    m_ui->Cmd_Save->setEnabled(m_document->isModified());
    setWindowTitle(QStringLiteral("设计请柬 - %1%2")
                       .arg(m_session.state.CurrentListName,
                            m_document->isModified() ? QStringLiteral("（已修改）") : QString()));
}

void w_Designer::report(const Status& status)
{
    if (status.isOk())
        return;
    m_session.messages.critical(this, Titles::CriticalError, status.error());
    // The boxes show what the design holds again, not the value refused.
    showSelection();
    showBackground();
}

bool w_Designer::applyPanel()
{
    if (m_filling || !m_document)
        return true;
    const QList<DesignKey> keys = selection();
    if (keys.isEmpty())
        return true;
    const DesignKey first = keys.first();
    const std::optional<Label> label = keys.size() == 1 ? m_document->label(first) : std::nullopt;
    Status status = Status::ok();
    if (label && m_ui->T_Name->text() != label->name)
        status = m_document->rename(first, m_ui->T_Name->text());
    if (status.isOk() && label && m_ui->T_Text->toPlainText() != label->text)
        status = m_document->setText(first, m_ui->T_Text->toPlainText());
    if (status.isOk() && !m_ui->T_FontSize->text().trimmed().isEmpty()) {
        const std::optional<Label> item = m_document->label(first);
        const QString size = item ? item->fontSize : m_document->guestName().fontSize;
        if (keys.size() > 1 || m_ui->T_FontSize->text() != size)
            status = m_document->setFontSizeText(keys, m_ui->T_FontSize->text());
    }
    // Several items may have differed: only a width typed since the panel was filled applies.
    if (status.isOk() && m_ui->T_FitWidth->text() != m_shownFitWidth)
        status = m_document->setFitWidthText(keys, m_ui->T_FitWidth->text());
    if (status.isOk() && keys.size() == 1) {
        const QPointF at = m_document->positionMm(first);
        if (m_ui->T_X->text() != storedText(at.x()))
            status = m_document->setPositionText(first, Qt::Horizontal, m_ui->T_X->text());
        if (status.isOk() && m_ui->T_Y->text() != storedText(at.y()))
            status = m_document->setPositionText(first, Qt::Vertical, m_ui->T_Y->text());
    }
    report(status);
    return status.isOk();
}

void w_Designer::applyText()
{
    if (!m_filling)
        applyPanel();
}

void w_Designer::chooseFont()
{
    const QList<DesignKey> keys = selection();
    if (!m_document || keys.isEmpty())
        return;
    const std::optional<Label> label = m_document->label(keys.first());
    const GuestNameSetting& guest = m_document->guestName();
    const FontChoice current = label ? fontChoiceOf(label->fontName, label->fontSize, label->styleWord)
                                     : fontChoiceOf(guest.fontName, guest.fontSize, guest.styleWord);
    // The guest-name setting takes scalable fonts only, as in the settings window.
    const std::optional<FontChoice> chosen =
        m_session.fonts.chooseFont(this, current, keys.contains(kGuestNameKey));
    if (chosen)
        m_document->setFont(keys, fontTexts(*chosen));
}

void w_Designer::addLabel()
{
    if (!m_canvas)
        return;
    // In the middle of what the window shows, kept on the printable area.
    QWidget* view = m_ui->F_Scroll->viewport();
    const QPointF middle = m_ui->P_Card->mapFrom(view, view->rect().center());
    const QRectF printable = m_canvas->geometry().printableMm();
    const QPointF at = m_canvas->toMm(middle);
    addLabelAt(QPointF(std::clamp(at.x(), 0.0, std::max(0.0, printable.width() - 20)),
                       std::clamp(at.y(), 0.0, std::max(0.0, printable.height() - 10))));
}

void w_Designer::addLabelAt(const QPointF& mm)
{
    if (!m_document)
        return;
    const Result<DesignKey> key = m_document->addLabel(mm);
    if (!key.isOk()) {
        report(Status::failure(key.error()));
        return;
    }
    m_canvas->setSelection({key.value()});
    editInPlace(key.value());
}

void w_Designer::deleteSelection()
{
    if (m_document)
        report(m_document->deleteItems(selection()));
}

void w_Designer::chooseBackground()
{
    if (!m_document)
        return;
    const QString path =
        m_session.files.fileToOpen(this, QStringLiteral("背景图片"),
                                   QStringLiteral("扫描的请柬 (*.png *.jpg *.jpeg *.pdf);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    if (Status loaded = m_document->loadBackground(path); !loaded.isOk())
        m_session.messages.critical(this, Titles::CriticalError, loaded.error());
}

void w_Designer::editInPlace(DesignKey key)
{
    const std::optional<Label> label = m_document ? m_document->label(key) : std::nullopt;
    if (!label) {
        m_ui->L_Status->setText(QStringLiteral("宾客姓名来自宾客名单；它的位置和字体可以在这里修改。"));
        return;
    }
    m_inPlaceKey = key;
    const QRect box = m_canvas->boxPx(key).adjusted(-4, -4, 4, 4);
    m_inPlace->setGeometry(QRect(box.topLeft(), box.size().expandedTo(QSize(180, 56))));
    m_inPlace->setPlainText(label->text);
    m_inPlace->show();
    m_inPlace->raise();
    m_inPlace->setFocus();
    m_inPlace->selectAll();
}

void w_Designer::finishInPlace(bool keep)
{
    if (!m_inPlace->isVisible())
        return;
    m_inPlace->hide();
    if (keep && m_document)
        report(m_document->setText(m_inPlaceKey, m_inPlace->toPlainText()));
    m_ui->P_Card->setFocus();
}

bool w_Designer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_inPlace) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                finishInPlace(false);
                return true;
            }
            // Enter starts a new line of the text; Ctrl+Enter is done.
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & Qt::ControlModifier)) {
                finishInPlace(true);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            finishInPlace(true);
        }
    } else if (watched == m_ui->T_Text && event->type() == QEvent::FocusOut) {
        applyText();
    }
    return QDialog::eventFilter(watched, event);
}

bool w_Designer::save()
{
    if (!m_document)
        return false;
    finishInPlace(true);
    if (!applyPanel())
        return false;
    if (Status saved = m_document->save(); !saved.isOk()) {
        m_session.messages.critical(
            this, Titles::CriticalError,
            QStringLiteral("%1\n\n设计没有保存，数据文件中的这个样式保持原样。").arg(saved.error()));
        return false;
    }
    showUndoState();
    m_ui->L_Status->setText(QStringLiteral("设计已保存。"));
    emit designSaved();
    return true;
}

void w_Designer::reject()
{
    if (m_document) {
        finishInPlace(true);
        if (!applyPanel())
            return;
        if (m_document->isModified()) {
            switch (m_session.messages.questionWithCancel(
                this, Titles::PleaseConfirm,
                QStringLiteral("请柬样式“%1”的设计已经修改，但还没有保存。\n\n是否保存修改？")
                    .arg(m_session.state.CurrentListName))) {
            case MessageService::Answer::Yes:
                if (save())
                    accept();
                return; // a save that failed keeps the window open
            case MessageService::Answer::No:
                break;
            case MessageService::Answer::Cancel:
                return;
            }
        }
    }
    QDialog::reject();
}
