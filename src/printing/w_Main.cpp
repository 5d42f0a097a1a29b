#include "printing/w_Main.h"
#include "ui_w_Main.h"

#include "app/MessageService.h"
#include "app/Session.h"
#include "app/SharedState.h"
#include "printing/CardPrinter.h"
#include "styles/w_QJList.h"

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
    m_ui->L_OK->setText(QStringLiteral("0"));
}

void w_Main::onStyleChooserClicked()
{
    w_QJList chooser(m_session, this);
    chooser.exec();
}
