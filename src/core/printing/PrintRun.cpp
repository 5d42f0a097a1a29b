#include "core/printing/PrintRun.h"

#include "core/app/MessageService.h"
#include "core/cards/CardCheck.h"
#include "core/cards/CardPrinter.h"
#include "core/cards/CardRendering.h"
#include "core/cards/UnprintableText.h"
#include "core/printing/CardPage.h"
#include "core/printing/StyleLoad.h"
#include "core/store/CardSetQueries.h"
#include "core/store/LabelStore.h"

#include <QTimer>

#include <algorithm>

namespace {

// Sets a flag while a handler runs and gives it back its value when the handler returns, on every
// path: a question asked inside a press leaves the press still busy.
class BusyGuard
{
public:
    explicit BusyGuard(bool& flag) : m_flag(flag), m_before(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = m_before; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& m_flag;
    bool m_before;
};

constexpr int kSecondsPerCard = 4;

} // namespace

PrintRun::PrintRun(CardStore& store, CardPrinter& printer, MessageService& messages, QObject* parent)
    : QObject(parent), m_store(store), m_printer(printer), m_messages(messages)
{
    m_timerPrint = new QTimer(this);
    m_timerPrint->setObjectName(QStringLiteral("Timer_Print"));
    m_timerPrint->setInterval(kSecondsPerCard * 1000);
    connect(m_timerPrint, &QTimer::timeout, this, &PrintRun::tick);
}

bool PrintRun::isGoing() const
{
    return m_state == State::Running || m_state == State::Paused || m_state == State::Stepping;
}

void PrintRun::setState(State state)
{
    m_pausedByFailure = false;
    m_state = state;
    if (state == State::Running)
        m_timerPrint->start();
    else
        m_timerPrint->stop();
}

int PrintRun::remaining() const
{
    return std::max(0, m_guestCount - m_printed);
}

QString PrintRun::status() const
{
    if (m_cardInProgress)
        return QStringLiteral("正在生成并打印邀请“%1”的请柬...").arg(*m_cardInProgress);
    switch (m_state) {
    case State::Running:
        return QStringLiteral("正在自动打印，每 %1 秒打印一张，还剩 %2 张。")
            .arg(kSecondsPerCard)
            .arg(remaining());
    case State::Paused:
        if (m_pausedByFailure)
            return QStringLiteral("请柬没有打印，打印已暂停，还剩 %1 张。").arg(remaining());
        return QStringLiteral("打印已暂停，还剩 %1 张没有打印。").arg(remaining());
    case State::Stepping:
        return QStringLiteral("已打印 %1 张，还剩 %2 张。放好下一张请柬后点击“打印下一份”。")
            .arg(m_printed)
            .arg(remaining());
    case State::Finished:
        return QStringLiteral("打印已全部完成！");
    case State::Ready:
        break;
    }
    if (m_namedGuest)
        return QStringLiteral("即将单独打印的请柬宾客为:  ") + *m_namedGuest;
    if (m_listId <= 0)
        return QStringLiteral("请先选择请柬样式，再进行宾客及打印设置。");
    if (m_loadFailed)
        return QStringLiteral("请柬样式“%1”无法读取，不能打印。").arg(m_listName);
    if (!m_hasLabels)
        return QStringLiteral("请柬样式“%1”还没有标签，请先在“请柬样式”中编辑样式。").arg(m_listName);
    if (m_guestCount == 0)
        return QStringLiteral("请柬样式“%1”还没有宾客，请先在“请柬样式”中添加宾客名单。").arg(m_listName);
    return QStringLiteral("请选择打印方式，然后点击“开始打印”。");
}

bool PrintRun::load(qint16 listId, const QString& listName)
{
    setState(State::Ready);
    m_styleChooserAllowed = true;
    // A single-card print prepared before this load must not name every card of the next run.
    m_namedGuest.reset();
    m_listId = listId;
    m_listName = listName;
    m_printable = false;
    m_loadFailed = false;
    m_printerStatus.clear();
    if (listId <= 0) {
        emit changed();
        return false;
    }
    const Result<StyleLoad> load = loadStyle(m_store, listId, listName, m_guestName);
    if (!load.isOk()) {
        m_loadFailed = true;
        emit changed();
        m_messages.critical(m_messageParent, Titles::CriticalError, load.error());
        return false;
    }
    if (Status target = readTarget(); !target.isOk()) {
        m_loadFailed = true;
        emit changed();
        m_messages.critical(m_messageParent, Titles::CriticalError, target.error());
        return false;
    }
    m_guestName = load.value().guestName;
    m_hasLabels = load.value().hasLabels;
    m_guestCount = load.value().guestCount;
    m_cursor = load.value().cursor;
    m_printable = load.value().printable();
    m_printed = 0;
    emit changed();
    return m_printable;
}

Status PrintRun::readTarget()
{
    const Result<PrintTarget> target = printTarget(m_store, m_listId);
    if (!target.isOk())
        return Status::failure(target.error());
    m_target = target.value();
    m_printerStatus = m_target.statusText();
    return Status::ok();
}

void PrintRun::forgetStyle()
{
    m_listId = 0;
    m_listName.clear();
    m_guestCount = 0;
    m_printed = 0;
    emit changed();
}

QString PrintRun::problemsQuestion()
{
    const Result<QList<Label>> labels = LabelStore(m_store).labelsToPrint(m_listId, m_listName);
    if (!labels.isOk() || !checkDrawable(labels.value(), m_listName).isOk())
        return {}; // the card itself reports what is wrong
    QStringList names;
    if (m_namedGuest) {
        names << *m_namedGuest;
    } else {
        const Result<QList<GuestName>> guests = CardSetQueries(m_store).guests(m_listId);
        if (!guests.isOk())
            return {};
        names.reserve(guests.value().size());
        for (const GuestName& guest : guests.value())
            names << guest.name;
    }
    GlyphCoverage coverage;
    return CardCheck::question(CardCheck::find(labels.value(), m_guestName, names,
                                               printableSizeMm(m_target.sheet.cardLayout()), coverage));
}

void PrintRun::press(Mode mode)
{
    BusyGuard busy(m_busy);
    if (m_printer.installedPrinterCount() == 0) {
        m_messages.critical(
            m_messageParent, Titles::CriticalError,
            QStringLiteral(
                "系统未发现指定的打印机，请检查打印机安装是否正确。\n\n"
                "该错误的发生可能导致打印过程终止，请检查打印机后按“确定”，程序将尝试是否可以继续。"));
    }
    // Before the first card of a run: texts off the printable area or longer than their fit width,
    // characters that would print as empty boxes.
    if (m_state == State::Ready) {
        const QString question = problemsQuestion();
        if (!question.isEmpty() && !m_messages.question(m_messageParent, Titles::PleaseConfirm, question))
            return;
    }
    // Printers come and go: the sheet of a new run is worked out afresh, and one the printer would
    // not print as designed is refused before the first card.
    if (m_state == State::Ready || m_state == State::Finished) {
        Status ready = readTarget();
        if (ready.isOk())
            ready = m_target.readyToPrint();
        if (!ready.isOk()) {
            emit changed();
            m_messages.critical(m_messageParent, Titles::CriticalError, ready.error());
            return;
        }
    }
    m_styleChooserAllowed = false;
    m_printer.setUnitMillimetres();
    m_printer.setOrigin(0, 0);

    // The caption 暂停打印 pauses whichever option is selected; every other caption prints in the
    // selected mode at once, so a switch of option during a run never costs a press that does nothing.
    if (m_state == State::Running) {
        setState(State::Paused);
    } else if (mode == Mode::Automatic) {
        setState(State::Running);
    } else {
        setState(State::Stepping);
        printOneCard();
    }
    emit changed();
}

bool PrintRun::confirmQuit()
{
    if (!isGoing())
        return true;
    BusyGuard busy(m_busy);
    return m_messages.question(
        m_messageParent, Titles::PleaseConfirm,
        QStringLiteral("正在打印……确定要退出吗？\n\n还有 %1 张请柬没有打印。").arg(remaining()));
}

void PrintRun::tick()
{
    if (m_busy)
        return; // a message of the press or of a card is open; the next tick produces the card
    BusyGuard busy(m_busy);
    printOneCard();
}

void PrintRun::printOneCard()
{
    const Result<QList<Label>> labels = LabelStore(m_store).labelsToPrint(m_listId, m_listName);
    if (!labels.isOk()) {
        pauseAfterFailure(labels.error());
        return;
    }
    if (m_cursor.atEnd && !m_namedGuest) {
        m_printer.discardDocument();
        finish();
        return;
    }
    if (labels.value().isEmpty()) {
        pauseAfterFailure(QStringLiteral("请柬样式“%1”已经没有任何标签，无法打印请柬。"
                                         "请在“编辑样式”中添加标签后再继续。")
                              .arg(m_listName),
                          Mend::Style);
        return;
    }
    if (Status drawable = checkDrawable(labels.value(), m_listName); !drawable.isOk()) {
        pauseAfterFailure(drawable.error(), Mend::Style);
        return;
    }

    const QString name = m_namedGuest ? *m_namedGuest : m_cursor.name;
    m_cardInProgress = name;
    emit changed();
    const Result<GuestCursor> next = produceCard(labels.value(), name);
    m_cardInProgress.reset();
    if (!next.isOk()) {
        pauseAfterFailure(next.error());
        return;
    }
    m_cursor = next.value();
    ++m_printed;
    if (m_printed == m_guestCount) {
        finish();
        m_namedGuest.reset();
    }
    emit changed();
}

Result<GuestCursor> PrintRun::produceCard(const QList<Label>& labels, const QString& name)
{
    // The cursor moves on only once the card has left: a failed card is printed again on continue.
    const Result<GuestCursor> next = m_store.nextGuest(m_cursor);
    if (!next.isOk())
        return next;
    // Set for every card: the settings window may have printed a test sheet meanwhile.
    m_target.applyTo(m_printer);
    m_printer.setDocumentTitle(QStringLiteral("请柬 %1 – %2").arg(m_printed + 1).arg(name));
    if (Status drawn = drawCardFor(m_printer, labels, m_guestName, name); !drawn.isOk()) {
        m_printer.discardDocument();
        return drawn;
    }
    if (Status sent = m_printer.endDocument(); !sent.isOk())
        return sent;
    return next;
}

void PrintRun::finish()
{
    setState(State::Finished);
    m_printer.discardDocument();
    m_styleChooserAllowed = true;
    emit changed();
}

void PrintRun::pauseAfterFailure(const QString& message, Mend mend)
{
    // Paused before the message opens, so no tick produces a card behind it.
    setState(State::Paused);
    m_pausedByFailure = true;
    QString advice = QStringLiteral("\n\n这张请柬没有打印，也没有计数。"
                                    "排除问题后按“继续打印”，将从这张请柬接着打印。");
    if (mend == Mend::Style) {
        // The labels can only be mended through the style chooser; leaving it with "取消" keeps the
        // run where it is, while confirming a style reloads and starts the list afresh.
        m_styleChooserAllowed = true;
        advice += QStringLiteral("改正样式后请在样式选择窗口中按“取消”返回，以便接着打印。");
    }
    emit changed();
    m_messages.critical(m_messageParent, Titles::CriticalError, message + advice);
}

void PrintRun::prepareNamedGuest(const QString& name)
{
    if (isGoing())
        return;
    // After a finished run this is a fresh run of one card.
    setState(State::Ready);
    m_namedGuest = name;
    m_guestCount = 1;
    m_printed = 0;
    emit changed();
}
