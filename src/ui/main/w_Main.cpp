#include "ui/main/w_Main.h"
#include "ui_w_Main.h"

#include "ui/about/w_About.h"
#include "ui/about/w_Help.h"
#include "core/app/MessageService.h"
#include "ui/app/Session.h"
#include "core/app/SharedState.h"
#include "core/cards/CardPrinter.h"
#include "core/cards/CardRendering.h"
#include "core/cards/UnprintableText.h"
#include "ui/main/w_NameList.h"
#include "ui/main/w_NamePrint.h"
#include "core/store/PrintQueries.h"
#include "ui/styles/w_QJList.h"

#include <QEvent>
#include <QTimer>

w_Main::w_Main(Session& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::w_Main>()), m_session(session)
{
    Q_INIT_RESOURCE(resources); // the pictures live in a static library
    m_ui->setupUi(this);
    m_session.mainWindow = this;

    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSizeF(10.5);
    setFont(font);
    font.setPointSizeF(12);
    m_ui->L_Guests->setFont(font);
    m_ui->L_OK->setFont(font);

    // The window keeps its designed size; it may only be minimised.
    m_designedSize = size();
    setFixedSize(m_designedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    m_ui->O_All->setChecked(true);
    m_ui->O_All->setFocus();

    m_timerLoad = new QTimer(this);
    m_timerLoad->setObjectName(QStringLiteral("Timer_Load"));
    m_timerLoad->setInterval(10);
    m_timerPrint = new QTimer(this);
    m_timerPrint->setObjectName(QStringLiteral("Timer_Print"));
    m_timerPrint->setInterval(4000);

    connect(m_timerLoad, &QTimer::timeout, this, &w_Main::onLoadTimer);
    connect(m_ui->Cmd_QJList, &QPushButton::clicked, this, &w_Main::onStyleChooserClicked);
    connect(m_ui->Cmd_Close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->Cmd_Help, &QPushButton::clicked, this, [this] {
        w_Help help(m_session, this);
        help.exec();
    });
    connect(m_ui->Cmd_About, &QPushButton::clicked, this, [this] {
        w_About about(m_session, this);
        about.exec();
    });
    connect(m_ui->Cmd_Print, &QPushButton::clicked, this, &w_Main::onPrintClicked);
    connect(m_timerPrint, &QTimer::timeout, this, &w_Main::onPrintTimer);
    connect(m_ui->Cmd_NamePrint, &QPushButton::clicked, this, &w_Main::onNamePrintClicked);

    m_timerLoad->start();
}

w_Main::~w_Main()
{
    if (m_session.mainWindow == this)
        m_session.mainWindow = nullptr;
}

void w_Main::open()
{
    if (m_session.printer.installedPrinterCount() == 0) {
        m_session.messages.critical(this, Titles::CriticalError,
                                    QStringLiteral("系统未安装打印机，您设计的请柬可能无法打印。"));
    }
    show();
}

void w_Main::requestReload()
{
    m_timerLoad->start();
}

void w_Main::clearStyleDisplay()
{
    m_ui->L_ListName->clear();
    m_ui->L_Guests->setText(QStringLiteral("0"));
    m_ui->L_OK->setText(QStringLiteral("0"));
    m_guestCount = 0;
    m_printed = 0;
}

void w_Main::changeEvent(QEvent* event)
{
    // A window manager that ignores the fixed size still gets the designed size back.
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && size() != m_designedSize)
        resize(m_designedSize);
    QWidget::changeEvent(event);
}

void w_Main::setPrintButtonsEnabled(bool enabled)
{
    m_ui->Cmd_Print->setEnabled(enabled);
    m_ui->Cmd_NamePrint->setEnabled(enabled);
}

void w_Main::onLoadTimer()
{
    m_timerLoad->stop();
    // A reload ends whatever run was going on, so the style chooser is usable again.
    setRunState(RunState::Ready);
    m_ui->Cmd_QJList->setEnabled(true);
    SharedState& state = m_session.state;
    // A single-card print prepared before this reload must not name every card of the next run.
    state.PrintNamedGuest = false;
    setPrintButtonsEnabled(false);
    m_ui->L_ListName->setText(state.CurrentListName);
    if (!state.hasCurrentStyle())
        return;

    const Result<StyleLoad> load =
        loadStyle(m_session.store, state.CurrentListID, state.CurrentListName, m_guestName);
    if (!load.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError, load.error());
        return;
    }
    m_guestName = load.value().guestName;
    m_guestCount = load.value().guestCount;
    m_cursor = load.value().cursor;
    setPrintButtonsEnabled(load.value().printable());
    m_ui->L_Guests->setText(QString::number(m_guestCount));
    m_printed = 0;
    m_ui->L_OK->setText(QStringLiteral("0"));
}

void w_Main::onStyleChooserClicked()
{
    w_QJList chooser(m_session, this);
    chooser.exec();
}

namespace {

// Clears a flag when the handler that set it returns, on every path.
class BusyGuard
{
public:
    explicit BusyGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& m_flag;
};

const QString kStartCaption = QStringLiteral("开始打印(&P)");

} // namespace

void w_Main::setRunState(RunState state)
{
    if (state != RunState::Paused)
        m_failedWhileStepping = false;
    m_runState = state;
    switch (state) {
    case RunState::Ready:
    case RunState::Finished:
        m_ui->Cmd_Print->setText(kStartCaption);
        break;
    case RunState::Running:
        m_ui->Cmd_Print->setText(QStringLiteral("暂停打印(&P)"));
        break;
    case RunState::Paused:
        m_ui->Cmd_Print->setText(QStringLiteral("继续打印(&P)"));
        break;
    case RunState::Stepping:
        m_ui->Cmd_Print->setText(QStringLiteral("打印下一份(&P)"));
        break;
    }
    if (state == RunState::Running)
        m_timerPrint->start();
    else
        m_timerPrint->stop();
}

void w_Main::onPrintClicked()
{
    BusyGuard busy(m_busy);
    if (m_session.printer.installedPrinterCount() == 0) {
        m_session.messages.critical(
            this, Titles::CriticalError,
            QStringLiteral(
                "系统未发现指定的打印机，请检查打印机安装是否正确。\n\n"
                "该错误的发生可能导致打印过程终止，请检查打印机后按“确定”，程序将尝试是否可以继续。"));
    }
    // Before the first card of a run: characters that would print as empty boxes.
    if (m_runState == RunState::Ready) {
        const QString question = unprintableQuestionForRun(m_session.store, m_session.state, m_guestName);
        if (!question.isEmpty() && !m_session.messages.question(this, Titles::PleaseConfirm, question))
            return;
    }
    m_ui->Cmd_QJList->setEnabled(false);
    m_ui->L_state->setText(QStringLiteral("正在生成并打印，请稍候……"));
    m_session.printer.setUnitMillimetres();
    m_session.printer.setOrigin(0, 0);

    const bool atStart = m_runState == RunState::Ready || m_runState == RunState::Finished;
    if (m_ui->O_All->isChecked()) {
        setRunState(atStart || m_runState == RunState::Paused ? RunState::Running : RunState::Paused);
    } else if (m_ui->O_One->isChecked() &&
               (atStart || m_runState == RunState::Stepping || m_failedWhileStepping)) {
        // A card that failed in the one-card mode is tried again by the next press, as the pause
        // message promises; a pause the user made with O_All stays a pause.
        setRunState(RunState::Stepping);
        printOneCard();
    }
}

void w_Main::onPrintTimer()
{
    if (m_busy)
        return; // a message of the click or of a card is open; the next tick produces the card
    BusyGuard busy(m_busy);
    printOneCard();
}

void w_Main::printOneCard()
{
    SharedState& state = m_session.state;
    CardPrinter& printer = m_session.printer;

    const Result<QList<StoredLabel>> rows = PrintQueries(m_session.store).labels(state.CurrentListID);
    if (!rows.isOk()) {
        pauseAfterFailure(rows.error());
        return;
    }
    if (m_cursor.atEnd) {
        printer.discardDocument();
        finishRun();
        return;
    }
    if (rows.value().isEmpty()) {
        pauseAfterFailure(QStringLiteral("请柬样式“%1”已经没有任何标签，无法打印请柬。"
                                         "请在“编辑样式”中添加标签后再继续。")
                              .arg(state.CurrentListName),
                          Mend::Style);
        return;
    }
    const Result<QList<CardLabel>> labels = cardLabels(rows.value(), state.CurrentListName);
    if (!labels.isOk()) {
        pauseAfterFailure(labels.error(), Mend::Style);
        return;
    }
    if (Status drawn = drawLabels(printer, labels.value()); !drawn.isOk()) {
        printer.discardDocument();
        pauseAfterFailure(drawn.error());
        return;
    }

    const QString name = state.PrintNamedGuest ? state.NamedGuest : m_cursor.name;
    m_ui->L_state->setText(QStringLiteral("正在生成并打印邀请“%1”的请柬...").arg(name));
    // The cursor moves on only once the card has left: a failed card is printed again on continue.
    const Result<GuestCursor> next = m_session.store.nextGuest(m_cursor);
    if (!next.isOk()) {
        printer.discardDocument();
        pauseAfterFailure(next.error());
        return;
    }
    if (Status drawn = drawGuestName(printer, m_guestName, name); !drawn.isOk()) {
        printer.discardDocument();
        pauseAfterFailure(drawn.error());
        return;
    }
    if (Status sent = printer.endDocument(); !sent.isOk()) {
        pauseAfterFailure(sent.error());
        return;
    }
    m_cursor = next.value();
    ++m_printed;
    m_ui->L_OK->setText(QString::number(m_printed));

    if (m_printed == m_guestCount) {
        finishRun();
        state.PrintNamedGuest = false;
    }
}

void w_Main::finishRun()
{
    setRunState(RunState::Finished);
    m_session.printer.discardDocument();
    m_ui->Cmd_Print->setEnabled(false);
    m_ui->L_state->setText(QStringLiteral("打印已全部完成！"));
    m_ui->Cmd_QJList->setEnabled(true);
}

void w_Main::pauseAfterFailure(const QString& message, Mend mend)
{
    // Paused before the message opens, so no tick produces a card behind it.
    const bool stepping = m_runState == RunState::Stepping;
    setRunState(RunState::Paused);
    m_failedWhileStepping = stepping;
    m_ui->L_state->setText(QStringLiteral("请柬没有打印，打印已暂停。"));
    QString advice = QStringLiteral("\n\n这张请柬没有打印，也没有计数。"
                                    "排除问题后按“继续打印”，将从这张请柬接着打印。");
    if (mend == Mend::Style) {
        // The labels can only be mended through the style chooser; leaving it with "取消" keeps the
        // run where it is, while confirming a style reloads and starts the list afresh.
        m_ui->Cmd_QJList->setEnabled(true);
        advice += QStringLiteral("改正样式后请在样式选择窗口中按“取消”返回，以便接着打印。");
    }
    m_session.messages.critical(this, Titles::CriticalError, message + advice);
}

void w_Main::prepareNamedGuestPrint(const QString& name)
{
    m_guestCount = 1;
    m_printed = 0;
    m_ui->L_Guests->setText(QStringLiteral("1"));
    m_ui->L_OK->setText(QStringLiteral("0"));
    m_ui->L_state->setText(QStringLiteral("即将单独打印的请柬宾客为:  ") + name);
}

void w_Main::onNamePrintClicked()
{
    // The name is asked for again for as long as the search finds nobody.
    for (;;) {
        w_NamePrint ask(m_session, this);
        if (ask.exec() != QDialog::Accepted)
            return;
        w_NameList list(m_session, this);
        if (list.exec() != w_NameList::NothingFound)
            return;
    }
}
