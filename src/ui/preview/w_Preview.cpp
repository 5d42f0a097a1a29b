#include "ui/preview/w_Preview.h"
#include "ui_w_Preview.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/cards/BackgroundFile.h"
#include "core/cards/CardPreview.h"
#include "core/cards/FitCheck.h"
#include "core/printing/PrintTarget.h"
#include "core/printing/PrinterCatalog.h"
#include "core/store/DesignStore.h"
#include "ui/app/FileChooser.h"
#include "ui/app/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

constexpr double kMmPerInch = 25.4;

QString paperText(const CardSheet& sheet)
{
    const QSizeF printable = sheet.printableSizeMm();
    return QStringLiteral("打印机: %1　纸张: %2，可打印区域 %3×%4毫米")
        .arg(sheet.printerText(), sheet.paperText())
        .arg(printable.width(), 0, 'f', 1)
        .arg(printable.height(), 0, 'f', 1);
}

} // namespace

w_Preview::w_Preview(Session& session, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_Preview>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_ui->F_Card->setBackgroundRole(QPalette::Dark);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(50);

    connect(m_timer1, &QTimer::timeout, this, &w_Preview::load);
    connect(m_ui->Cmd_First, &QPushButton::clicked, this, [this] { showGuest(0); });
    connect(m_ui->Cmd_Prev, &QPushButton::clicked, this, [this] { showGuest(m_current - 1); });
    connect(m_ui->Cmd_Next, &QPushButton::clicked, this, [this] { showGuest(m_current + 1); });
    connect(m_ui->Cmd_Last, &QPushButton::clicked, this,
            [this] { showGuest(static_cast<int>(m_cards.guests.size()) - 1); });
    connect(m_ui->Cmd_Find, &QPushButton::clicked, this, &w_Preview::findGuest);
    connect(m_ui->T_Find, &QLineEdit::returnPressed, this, &w_Preview::findGuest);
    connect(m_ui->Cmd_Fit, &QPushButton::clicked, this, [this] { setZoom(Zoom::Fit); });
    connect(m_ui->Cmd_Actual, &QPushButton::clicked, this, [this] { setZoom(Zoom::Actual); });
    connect(m_ui->Cmd_Export, &QPushButton::clicked, this, &w_Preview::exportPdf);
    connect(m_ui->Chk_Background, &QCheckBox::toggled, this, &w_Preview::render);
    m_ui->Chk_Background->hide();
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QDialog::reject);

    m_timer1->start();
}

w_Preview::~w_Preview() = default;

void w_Preview::showTypedGuestName(const GuestNameSetting& typed, const SalutationRules& rules)
{
    m_typedGuestName = typed;
    m_typedRules = rules;
    m_ui->L_Setting->setText(QStringLiteral("宾客姓名按输入框中尚未保存的设置显示。"));
    m_ui->L_Setting->show();
}

void w_Preview::noteTypedGuestNameUnusable()
{
    m_typedGuestName.reset();
    m_typedRules.reset();
    m_ui->L_Setting->setText(
        QStringLiteral("宾客姓名按已保存的设置显示：输入框中修改过的设置有误或不完整，尚未保存。"));
    m_ui->L_Setting->show();
}

void w_Preview::load()
{
    m_timer1->stop();
    const SharedState& state = m_session.state;
    m_ui->L_Title->setText(state.CurrentListName);
    // The style's own printer and paper, drawn as designed: a printer's correction is for paper only.
    const Result<PrintTarget> target = printTarget(m_session.store, state.CurrentListID);
    const CardSheet sheet =
        target.isOk() ? target.value().sheet : PrinterCatalog::resolveSheet(PrintSetting{});
    m_layout = sheet.cardLayout();
    m_ui->L_Paper->setText(paperText(sheet));

    // A typed setting may name fields the stored one does not.
    Result<CardSet> cards =
        loadCardSet(m_session.store, state.CurrentListID, state.CurrentListName,
                    m_typedGuestName ? GuestFieldsRead::All : GuestFieldsRead::ForTheCard);
    if (!cards.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, cards.error());
        return;
    }
    m_cards = std::move(cards.value());
    if (m_typedGuestName)
        m_cards.guestName = *m_typedGuestName;
    if (m_typedRules)
        m_cards.rules = *m_typedRules;
    m_card = m_cards.card();
    loadBackground();
    m_loaded = true;
    showGuest(0);
}

QString w_Preview::currentName() const
{
    return shownGuest().name;
}

GuestFields w_Preview::shownGuest() const
{
    return m_current >= 0 ? m_cards.guests.guestAt(m_current) : GuestFields();
}

void w_Preview::showGuest(int index)
{
    const int count = static_cast<int>(m_cards.guests.size());
    m_current = count == 0 ? -1 : std::clamp(index, 0, count - 1);
    m_ui->Cmd_First->setEnabled(m_current > 0);
    m_ui->Cmd_Prev->setEnabled(m_current > 0);
    m_ui->Cmd_Next->setEnabled(m_current >= 0 && m_current < count - 1);
    m_ui->Cmd_Last->setEnabled(m_current >= 0 && m_current < count - 1);
    if (m_current < 0)
        m_ui->L_Guest->setText(QStringLiteral("该样式还没有宾客"));
    else
        m_ui->L_Guest->setText(
            QStringLiteral("第 %1 / %2 位: %3").arg(m_current + 1).arg(count).arg(currentName()));
    render();
}

void w_Preview::render()
{
    if (!m_loaded)
        return;
    const GuestFields guest = shownGuest();
    const QSizeF printable = m_layout.paintRect(QPageLayout::Millimeter).size();
    QList<QRectF> overflow;
    QList<QRectF> unprintable;
    QStringList notes;
    for (const CardTextBox& box : cardTextBoxes(m_card, guest)) {
        const QString what =
            box.isGuest ? QStringLiteral("宾客姓名") : QStringLiteral("标签“%1”").arg(box.name);
        if (runsPastPrintableArea(box.rectMm, printable)) {
            overflow << box.rectMm;
            notes << QStringLiteral("%1超出了可打印区域").arg(what);
        }
        if (box.overflowsWidth) {
            overflow << box.rectMm;
            notes << WidthOverflow{box.isGuest, box.name}.describe();
        }
        const QString missing = m_coverage.missingCharacters(box.text, box.fontFamily);
        if (!missing.isEmpty()) {
            unprintable << box.rectMm;
            notes << QStringLiteral("%1中的%2没有字体可以打印").arg(what, describeCharacters(missing));
        }
    }
    // One line; a long note is cut at the window's width and shown whole as the tooltip.
    const QString note =
        notes.isEmpty() ? QString() : notes.join(QStringLiteral("；")) + QStringLiteral("。");
    m_ui->L_Note->setText(note);
    m_ui->L_Note->setToolTip(note);

    if (m_zoom == Zoom::Fit) {
        const QSizeF pageMm = previewSizeMm(m_layout);
        const QSize room = m_ui->F_Card->viewport()->size() - QSize(4, 4);
        m_dpi = std::max(10.0, std::min(room.width() / pageMm.width(), room.height() / pageMm.height()) *
                                   kMmPerInch);
    } else {
        m_dpi = logicalDpiX();
    }
    CardBackdrop backdrop;
    if (m_background && m_ui->Chk_Background->isChecked()) {
        if (m_backdrop.isNull()) {
            const Result<QImage> picture = BackgroundFile::decode(m_background->shownData());
            if (!picture.isOk()) {
                m_ui->Chk_Background->setChecked(false); // draws again, without it
                m_session.messages.exclamation(this, Titles::Reminder, picture.error());
                return;
            }
            m_backdrop = CardBackdrop{picture.value(), m_background->placement};
        }
        backdrop = m_backdrop;
    }
    const CardPreviewImage preview =
        renderCardPreview(m_layout, m_card, guest, m_dpi, overflow, unprintable, backdrop);
    m_ui->L_Card->setPixmap(QPixmap::fromImage(preview.image));
    m_ui->L_Card->resize(preview.image.size());
}

void w_Preview::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    render();
}

void w_Preview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_zoom == Zoom::Fit)
        render();
}

void w_Preview::findGuest()
{
    const QString text = m_ui->T_Find->text().trimmed();
    if (text.isEmpty())
        return;
    // From the guest after the one shown, round to the start: pressing again finds the next one.
    const int count = static_cast<int>(m_cards.guests.size());
    for (int step = 1; step <= count; ++step) {
        const int index = (std::max(m_current, 0) + step) % count;
        if (m_cards.guests.nameAt(index).contains(text, Qt::CaseInsensitive)) {
            showGuest(index);
            return;
        }
    }
    m_session.messages.exclamation(this, Titles::Reminder,
                                   QStringLiteral("没有找到姓名中含有“%1”的宾客。").arg(text));
}

void w_Preview::exportPdf()
{
    if (!m_loaded)
        return;
    if (Status s = checkExportable(m_cards); !s.isOk()) {
        m_session.messages.exclamation(this, Titles::Reminder, s.error());
        return;
    }
    const QString suggested = QDir::current().filePath(m_cards.styleName + QStringLiteral(".pdf"));
    const QString path = m_session.files.fileToSave(this, QStringLiteral("导出PDF"), suggested,
                                                    QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (Status s = checkExportTarget(path, m_session.store.filePath()); !s.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, s.error());
        return;
    }

    const int total = static_cast<int>(m_cards.guests.size());
    QProgressDialog progress(QStringLiteral("正在导出请柬……"), QStringLiteral("取消"), 0, total, this);
    progress.setObjectName(QStringLiteral("Progress_Export"));
    progress.setWindowTitle(QStringLiteral("导出PDF"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const Result<ExportEnd> done = exportCards(m_cards, m_layout, path, [&progress](int pages, int) {
        progress.setValue(pages);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.reset();
    if (!done.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, done.error());
        return;
    }
    if (done.value() == ExportEnd::Cancelled) {
        m_session.messages.information(this, Titles::Note, QStringLiteral("导出已取消，没有写入任何文件。"));
        return;
    }
    m_session.messages.information(
        this, Titles::Notice,
        QStringLiteral("已将%1位宾客的请柬导出到“%2”。").arg(total).arg(QDir::toNativeSeparators(path)));
}

void w_Preview::loadBackground()
{
    // The scanned card is shown only on screen; the export below never gets it.
    const Result<std::optional<CardBackground>> stored =
        DesignStore(m_session.store).background(m_session.state.CurrentListID);
    if (!stored.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, stored.error());
        return;
    }
    m_background = stored.value();
    m_backdrop = CardBackdrop{};
    const QSignalBlocker quiet(m_ui->Chk_Background);
    m_ui->Chk_Background->setVisible(m_background.has_value());
    m_ui->Chk_Background->setChecked(m_background && m_background->placement.inPreview);
}
