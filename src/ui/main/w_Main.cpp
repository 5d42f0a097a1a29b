#include "ui/main/w_Main.h"
#include "ui_w_Main.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/cards/CardPrinter.h"
#include "core/printing/PrintRun.h"
#include "core/store/CardStore.h"
#include "ui/about/w_About.h"
#include "ui/about/w_Help.h"
#include "ui/app/Session.h"
#include "ui/main/w_NameList.h"
#include "ui/main/w_NamePrint.h"
#include "ui/styles/w_AddList.h"
#include "ui/styles/w_QJList.h"

#include <QCloseEvent>
#include <QEvent>
#include <QTimer>

namespace {

QString printCaption(PrintRun::State state)
{
    switch (state) {
    case PrintRun::State::Running:
        return QStringLiteral("暂停打印(&P)");
    case PrintRun::State::Paused:
        return QStringLiteral("继续打印(&P)");
    case PrintRun::State::Stepping:
        return QStringLiteral("打印下一份(&P)");
    case PrintRun::State::Ready:
    case PrintRun::State::Finished:
        break;
    }
    return QStringLiteral("开始打印(&P)");
}

} // namespace

w_Main::w_Main(Session& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::w_Main>()), m_session(session)
{
    Q_INIT_RESOURCE(resources); // the pictures live in a static library
    m_ui->setupUi(this);

    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSizeF(10.5);
    setFont(font);
    font.setPointSizeF(12);
    m_ui->L_Guests->setFont(font);
    m_ui->L_OK->setFont(font);
    font.setPointSizeF(9);
    m_ui->L_Printer->setFont(font);

    // The window keeps its designed size; it may only be minimised.
    m_designedSize = size();
    setFixedSize(m_designedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    m_ui->O_All->setChecked(true);
    m_ui->O_All->setFocus();

    m_run = new PrintRun(session.store, session.printer, session.messages, this);
    m_run->setMessageParent(this);
    // What the store must ask before it changes the file (text another tool wrote in GBK) is asked
    // over this window.
    m_session.store.setAsker([this](const QString& question) {
        return m_session.messages.question(this, Titles::PleaseConfirm, question);
    });

    m_timerLoad = new QTimer(this);
    m_timerLoad->setObjectName(QStringLiteral("Timer_Load"));
    m_timerLoad->setInterval(10);

    connect(m_timerLoad, &QTimer::timeout, this, &w_Main::onLoadTimer);
    connect(m_run, &PrintRun::changed, this, &w_Main::showRun);
    connect(m_ui->Cmd_QJList, &QPushButton::clicked, this, &w_Main::openStyleChooser);
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
    connect(m_ui->Cmd_NamePrint, &QPushButton::clicked, this, &w_Main::onNamePrintClicked);
    connect(m_ui->Cmd_PrintFailed, &QPushButton::clicked, this, [this] { m_run->printFailed(mode()); });

    showRun();
    m_timerLoad->start();
}

w_Main::~w_Main()
{
    m_session.store.setAsker({});
}

void w_Main::open()
{
    if (m_session.printer.installedPrinterCount() == 0) {
        m_session.messages.critical(this, Titles::CriticalError,
                                    QStringLiteral("系统未安装打印机，您设计的请柬可能无法打印。"));
    }
    // A file of a newer program is opened read-only, one another tool wrote into is converted: the
    // user hears it before changing anything. A file that cannot be used is reported at once, not
    // shown as an empty list.
    if (const Status checked = m_session.store.check(); !checked.isOk())
        m_session.messages.critical(this, Titles::CriticalError, checked.error());
    else if (!m_session.store.notice().isEmpty())
        m_session.messages.exclamation(this, Titles::Reminder, m_session.store.notice());
    show();
}

void w_Main::requestReload()
{
    m_timerLoad->start();
}

void w_Main::changeEvent(QEvent* event)
{
    // A window manager that ignores the fixed size still gets the designed size back.
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && size() != m_designedSize)
        resize(m_designedSize);
    QWidget::changeEvent(event);
}

void w_Main::closeEvent(QCloseEvent* event)
{
    // The title bar, Alt+F4 and 退出 all end here: a run going on is not given up without a word.
    if (!m_run->confirmQuit()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void w_Main::onLoadTimer()
{
    m_timerLoad->stop();
    const SharedState& state = m_session.state;
    m_ui->L_ListName->setText(state.CurrentListName);
    m_run->load(state.CurrentListID, state.CurrentListName);
}

void w_Main::showRun()
{
    const PrintRun::State state = m_run->state();
    m_ui->Cmd_Print->setText(printCaption(state));
    m_ui->Cmd_Print->setEnabled(m_run->printable() && state != PrintRun::State::Finished);
    // A named card during a run would take the run's place and skip its guests.
    m_ui->Cmd_NamePrint->setEnabled(m_run->printable() && !m_run->isGoing());
    m_ui->Cmd_QJList->setEnabled(m_run->styleChooserAllowed());
    m_ui->Cmd_PrintFailed->setVisible(m_run->canPrintFailed());
    m_ui->L_Guests->setText(QString::number(m_run->guestCount()));
    m_ui->L_OK->setText(QString::number(m_run->printed()));
    m_ui->L_state->setText(m_run->status());
    m_ui->L_Printer->setText(m_run->printerStatus());
}

PrintRun::Mode w_Main::mode() const
{
    return m_ui->O_One->isChecked() ? PrintRun::Mode::OneByOne : PrintRun::Mode::Automatic;
}

void w_Main::onPrintClicked()
{
    m_run->press(mode());
}

void w_Main::openStyleChooser()
{
    int result = QDialog::Rejected;
    QVector<qint64> chosen; // guests whose cards the guest list asked for
    {
        w_QJList chooser(m_session, this);
        connect(&chooser, &w_QJList::styleDeleted, this, &w_Main::onStyleDeleted);
        connect(&chooser, &w_QJList::guestsChanged, this, &w_Main::requestReload);
        connect(&chooser, &w_QJList::restored, this, &w_Main::onDataRestored);
        connect(&chooser, &w_QJList::printChosen, this,
                [&chosen](const QVector<qint64>& ids) { chosen = ids; });
        // A saved design of the style this window has loaded changes its cards; another style's
        // design changes nothing here.
        connect(&chooser, &w_QJList::designSaved, this, [this] {
            if (m_session.state.CurrentListID == m_run->styleId())
                requestReload();
        });
        result = chooser.exec();
    } // gone before a window that takes its place opens
    if (result == QDialog::Accepted && !chosen.isEmpty()) {
        // The chosen guests' style is loaded at once and their run starts in the selected option.
        onLoadTimer();
        m_run->printChosen(chosen, mode());
        return;
    }
    if (result == QDialog::Accepted) {
        requestReload();
        return;
    }
    // A pick takes effect at once, for the windows the chooser opens; leaving without "确定" puts
    // back the style this window has loaded, so its cards never mix one style's labels with
    // another's guests. A reload asked for meanwhile comes first.
    if (m_timerLoad->isActive())
        onLoadTimer();
    m_session.state.CurrentListID = m_run->styleId();
    m_session.state.CurrentListName = m_run->styleName();
    if (result == w_QJList::NewStyle)
        openNewStyle();
}

void w_Main::openNewStyle()
{
    w_AddList newStyle(m_session, this);
    connect(&newStyle, &w_AddList::styleChanged, this, &w_Main::requestReload);
    newStyle.exec();
}

void w_Main::onStyleDeleted()
{
    m_ui->L_ListName->clear();
    m_run->forgetStyle();
    requestReload();
}

void w_Main::onDataRestored()
{
    // The loaded style stays when the restored data still has it under its number and name; the
    // chooser, which picks nothing after a restore, then gives it back. Otherwise none is loaded.
    const Result<std::optional<qint16>> id = m_session.store.styleIdByName(m_run->styleName());
    if (m_run->styleId() > 0 && id.isOk() && id.value() == m_run->styleId()) {
        m_session.state.CurrentListID = m_run->styleId();
        m_session.state.CurrentListName = m_run->styleName();
    } else {
        m_ui->L_ListName->clear();
        m_run->forgetStyle();
    }
    requestReload();
}

void w_Main::onNamePrintClicked()
{
    // The name is asked for again for as long as the search finds nobody.
    for (;;) {
        w_NamePrint ask(m_session, this);
        if (ask.exec() != QDialog::Accepted)
            return;
        w_NameList list(m_session, m_run->styleId(), m_run->styleName(), ask.searchText(), this);
        connect(&list, &w_NameList::guestChosen, m_run, &PrintRun::prepareNamedGuest);
        if (list.exec() != w_NameList::NothingFound)
            return;
    }
}
