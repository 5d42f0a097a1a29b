#include "core/printing/PrintRun.h"

#include "core/app/MessageService.h"
#include "core/cards/CardCheck.h"
#include "core/cards/CardPrinter.h"
#include "core/cards/CardRendering.h"
#include "core/cards/UnprintableText.h"
#include "core/printing/CardPage.h"
#include "core/printing/PrintRecordSync.h"
#include "core/printing/StyleLoad.h"
#include "core/store/CardSetQueries.h"
#include "core/store/LabelStore.h"

#include <QDateTime>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <utility>

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
// How often the spooler is asked about cards on their way: often enough that a finished or failed
// card shows within a moment, and one request (a few milliseconds) each time.
constexpr int kJobPollMs = 1500;

} // namespace

PrintRun::PrintRun(CardStore& store, CardPrinter& printer, MessageService& messages, QObject* parent)
    : QObject(parent), m_store(store), m_printer(printer), m_messages(messages)
{
    m_timerPrint = new QTimer(this);
    m_timerPrint->setObjectName(QStringLiteral("Timer_Print"));
    m_timerPrint->setInterval(kSecondsPerCard * 1000);
    connect(m_timerPrint, &QTimer::timeout, this, &PrintRun::tick);
    m_timerJobs = new QTimer(this);
    m_timerJobs->setObjectName(QStringLiteral("Timer_Jobs"));
    m_timerJobs->setInterval(kJobPollMs);
    connect(m_timerJobs, &QTimer::timeout, this, &PrintRun::refreshRecord);
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

QString PrintRun::recordText() const
{
    // "已打印 212 / 500，5 张在打印队列中，3 张请柬没有打印成功。"
    QString text = QStringLiteral("已打印 %1 / %2").arg(m_record.printed).arg(m_record.guests);
    if (m_record.queued + m_record.sending > 0)
        text += QStringLiteral("，%1 张在打印队列中").arg(m_record.queued + m_record.sending);
    if (m_record.failed > 0)
        text += QStringLiteral("，%1 张请柬没有打印成功").arg(m_record.failed);
    return text + QStringLiteral("。");
}

QString PrintRun::status() const
{
    if (m_cardInProgress)
        return QStringLiteral("正在生成并打印邀请“%1”的请柬...").arg(*m_cardInProgress);
    // Cards of this run the spooler aborted or cancelled are told while the run goes on.
    const QString failures =
        m_runCards.failed > 0 ? QStringLiteral("%1 张请柬没有打印成功。").arg(m_runCards.failed) : QString();
    switch (m_state) {
    case State::Running:
        return QStringLiteral("正在自动打印，每 %1 秒打印一张，还剩 %2 张。")
                   .arg(kSecondsPerCard)
                   .arg(remaining()) +
               failures;
    case State::Paused:
        if (m_pausedByFailure)
            return QStringLiteral("请柬没有打印，打印已暂停，还剩 %1 张。").arg(remaining()) + failures;
        return QStringLiteral("打印已暂停，还剩 %1 张没有打印。").arg(remaining()) + failures;
    case State::Stepping:
        return QStringLiteral("已打印 %1 张，还剩 %2 张。放好下一张请柬后点击“打印下一份”。")
                   .arg(m_printed)
                   .arg(remaining()) +
               failures;
    case State::Finished:
        // Handed over is not printed: the run is complete once the spooler has finished its cards.
        if (m_runCards.failed > 0)
            return QStringLiteral("打印结束，其中 ") + failures;
        if (m_runCards.queued + m_runCards.sending > 0)
            return QStringLiteral("请柬已全部交给打印机，还有 %1 张在打印队列中等待打印。")
                .arg(m_runCards.queued + m_runCards.sending);
        return QStringLiteral("打印已全部完成！");
    case State::Ready:
        break;
    }
    if (m_namedGuest)
        return QStringLiteral("即将单独打印的请柬宾客为:  ") + m_namedGuest->name;
    if (m_listId <= 0)
        return QStringLiteral("请先选择请柬样式，再进行宾客及打印设置。");
    if (m_loadFailed)
        return QStringLiteral("请柬样式“%1”无法读取，不能打印。").arg(m_listName);
    if (!m_hasLabels)
        return QStringLiteral("请柬样式“%1”还没有标签，请先在“请柬样式”中编辑样式。").arg(m_listName);
    if (m_guestCount == 0)
        return QStringLiteral("请柬样式“%1”还没有宾客，请先在“请柬样式”中添加宾客名单。").arg(m_listName);
    if (m_record.onItsWay() + m_record.failed + m_record.spoiled > 0)
        return recordText() + QStringLiteral("请选择打印方式，然后点击“开始打印”。");
    return QStringLiteral("请选择打印方式，然后点击“开始打印”。");
}

bool PrintRun::load(qint16 listId, const QString& listName)
{
    setState(State::Ready);
    m_styleChooserAllowed = true;
    // A single-card print prepared before this load must not name every card of the next run.
    m_namedGuest.reset();
    m_scope = Scope::WholeList;
    m_runFirstRecord = 0;
    m_runCards = RecordSummary{};
    m_record = RecordSummary{};
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
    m_rules = load.value().rules;
    m_order = load.value().order;
    m_hasLabels = load.value().hasLabels;
    m_guestCount = load.value().guestCount;
    m_cursor = load.value().cursor;
    m_printable = load.value().printable();
    m_printed = 0;
    // What became of the cards sent before, this session or an earlier one.
    m_recordStale = true;
    refreshRecord();
    emit changed();
    return m_printable;
}

void PrintRun::refreshRecord()
{
    const Result<RecordSync> sync = PrintRecordSync(m_store, m_printer).refresh();
    // Asked again while cards may still change; a spooler that does not answer is asked again too.
    if (sync.isOk() && sync.value().stillOpen == 0)
        m_timerJobs->stop();
    else if (!m_timerJobs->isActive())
        m_timerJobs->start();
    // Counting a long list's record takes a moment: only when something has changed.
    if (!sync.isOk() || sync.value().changed > 0 || m_recordStale)
        readRecord();
}

void PrintRun::readRecord()
{
    if (m_listId <= 0)
        return;
    PrintRecordStore records(m_store);
    RecordSummary record = m_record;
    RecordSummary runCards = m_runCards;
    if (const Result<RecordSummary> read = records.summary(m_listId); read.isOk())
        record = read.value();
    if (m_runFirstRecord > 0) {
        if (const Result<RecordSummary> read = records.cardsSince(m_listId, m_runFirstRecord); read.isOk())
            runCards = read.value();
    }
    m_recordStale = false;
    if (record == m_record && runCards == m_runCards)
        return;
    m_record = record;
    m_runCards = runCards;
    emit changed();
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
    m_record = RecordSummary{};
    m_runCards = RecordSummary{};
    m_runFirstRecord = 0;
    emit changed();
}

QString PrintRun::problemsQuestion()
{
    const Result<QList<Label>> labels = LabelStore(m_store).labelsToPrint(m_listId, m_listName);
    if (!labels.isOk() || !checkDrawable(labels.value(), m_listName).isOk())
        return {}; // the card itself reports what is wrong
    const CardTemplate card(labels.value(), m_guestName, m_rules);
    CardGuestList guests(true);
    if (m_namedGuest) {
        guests.append(0, *m_namedGuest);
    } else {
        Result<CardGuestList> rows = CardSetQueries(m_store).guests(m_listId, PrintOrder::Entry,
                                                                    GuestSql::columnsFor(card.fieldsUsed()));
        if (!rows.isOk())
            return {};
        guests = std::move(rows.value());
    }
    GlyphCoverage coverage;
    return CardCheck::question(
        CardCheck::find(card, guests, printableSizeMm(m_target.sheet.cardLayout()), coverage));
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
    // Before the first card of a run: which guests, then texts off the printable area or longer
    // than their fit width, characters that would print as empty boxes.
    if (m_state == State::Ready && !chooseScope())
        return;
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
        // The first card is a tick away: a printer that would keep it is told of now.
        if (printerHeldUp())
            return;
        setState(State::Running);
    } else {
        setState(State::Stepping);
        printOneCard();
    }
    emit changed();
}

bool PrintRun::chooseScope()
{
    if (m_scope != Scope::WholeList || m_namedGuest)
        return true;
    refreshRecord(); // decided on what the spooler says now
    if (m_record.onItsWay() == 0)
        return true;
    const int all = m_record.guests;
    QString record = QStringLiteral("请柬样式“%1”的打印记录：已打印 %2 / %3")
                         .arg(m_listName)
                         .arg(m_record.printed)
                         .arg(all);
    if (m_record.queued + m_record.sending > 0)
        record += QStringLiteral("，另有 %1 张在打印队列中").arg(m_record.queued + m_record.sending);
    record += QStringLiteral("。");
    const int left = m_record.toPrint();
    if (left <= 0) {
        // Nothing left to continue with: print all again, or nothing.
        return m_messages.question(m_messageParent, Titles::PleaseConfirm,
                                   record + QStringLiteral("\n\n每位宾客的请柬都已打印或正在打印。"
                                                           "要把全部 %1 位宾客的请柬重新打印一遍吗？")
                                                .arg(all));
    }
    const MessageService::Answer answer = m_messages.questionWithCancel(
        m_messageParent, Titles::PleaseConfirm,
        record + QStringLiteral("\n\n接着打印还没有打印的 %1 位宾客的请柬吗？\n\n"
                                "是：只打印这 %1 位宾客\n否：全部 %2 位宾客重新打印\n取消：现在不打印")
                     .arg(left)
                     .arg(all));
    if (answer == MessageService::Answer::Cancel)
        return false;
    if (answer == MessageService::Answer::No)
        return true;
    // The guests left: the style's list in print order, without those whose card is out or on its way.
    PrintRecordStore records(m_store);
    const Result<QVector<qint64>> ids = m_store.guestIdsInPrintOrder(m_listId, m_order);
    const Result<QVector<qint64>> out =
        records.guestsWhoseLastCardIs(m_listId, {CardState::Sending, CardState::Queued, CardState::Printed});
    if (!ids.isOk() || !out.isOk()) {
        m_messages.critical(m_messageParent, Titles::CriticalError, ids.isOk() ? out.error() : ids.error());
        return false;
    }
    const QSet<qint64> leftOut(out.value().cbegin(), out.value().cend());
    QVector<qint64> remaining;
    remaining.reserve(ids.value().size());
    for (const qint64 id : ids.value()) {
        if (!leftOut.contains(id))
            remaining.append(id);
    }
    const Result<GuestCursor> cursor = m_store.firstOf(m_listId, remaining);
    if (!cursor.isOk()) {
        m_messages.critical(m_messageParent, Titles::CriticalError, cursor.error());
        return false;
    }
    m_scope = Scope::Remaining;
    m_cursor = cursor.value();
    m_guestCount = static_cast<int>(remaining.size());
    emit changed();
    return true;
}

bool PrintRun::printerHeldUp()
{
    // Asked even without a printer's name: a backend without a spooler answers "not known".
    const QString& printer = m_target.sheet.printerName;
    const PrinterStatus status = m_printer.printerStatus(printer);
    if (!status.blocksPrinting())
        return false;
    pauseAfterFailure(QStringLiteral("打印机“%1”现在%2，交给它的请柬不会打印出来，所以打印已暂停。")
                          .arg(printer, status.describe()));
    return true;
}

void PrintRun::printChosen(const QVector<qint64>& guestIds, Mode mode)
{
    if (isGoing()) {
        m_messages.exclamation(
            m_messageParent, Titles::Reminder,
            QStringLiteral("正在打印请柬样式“%1”。请等这次打印结束后，再打印选中的请柬。").arg(m_listName));
        return;
    }
    if (!m_printable || guestIds.isEmpty())
        return;
    // Only guests of this style that are still there: the counters count the cards of this run.
    const Result<QVector<qint64>> listed = m_store.guestIdsInPrintOrder(m_listId, m_order);
    if (!listed.isOk()) {
        m_messages.critical(m_messageParent, Titles::CriticalError, listed.error());
        return;
    }
    const QSet<qint64> present(listed.value().cbegin(), listed.value().cend());
    QVector<qint64> chosen;
    for (const qint64 id : guestIds) {
        if (present.contains(id))
            chosen.append(id);
    }
    if (chosen.isEmpty())
        return;
    const Result<GuestCursor> cursor = m_store.firstOf(m_listId, chosen);
    if (!cursor.isOk()) {
        m_messages.critical(m_messageParent, Titles::CriticalError, cursor.error());
        return;
    }
    setState(State::Ready);
    m_namedGuest.reset();
    m_scope = Scope::Chosen;
    m_cursor = cursor.value();
    m_guestCount = static_cast<int>(chosen.size());
    m_printed = 0;
    m_runFirstRecord = 0;
    m_runCards = RecordSummary{};
    emit changed();
    press(mode);
}

void PrintRun::printFailed(Mode mode)
{
    if (!canPrintFailed())
        return;
    const Result<QVector<qint64>> failed =
        PrintRecordStore(m_store).guestsWhoseLastCardIs(m_listId, {CardState::Failed});
    if (!failed.isOk()) {
        m_messages.critical(m_messageParent, Titles::CriticalError, failed.error());
        return;
    }
    printChosen(failed.value(), mode);
}

bool PrintRun::confirmQuit()
{
    if (!isGoing())
        return true;
    BusyGuard busy(m_busy);
    return m_messages.question(m_messageParent, Titles::PleaseConfirm,
                               QStringLiteral("正在打印……确定要退出吗？\n\n还有 %1 张请柬没有打印。"
                                              "打印记录会保留，下次开始打印时可以只打印还没有打印的请柬。")
                                   .arg(remaining()));
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

    if (printerHeldUp())
        return;

    const GuestFields guest = m_namedGuest ? *m_namedGuest : m_cursor.guest;
    m_cardInProgress = guest.name;
    emit changed();
    const Result<GuestCursor> next = produceCard(labels.value(), guest);
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
    if (!m_recordTrouble.isEmpty()) {
        // The card has left and is counted; what the record lacks is settled with the spooler later.
        if (m_state != State::Finished)
            setState(State::Paused);
        emit changed();
        m_messages.critical(
            m_messageParent, Titles::CriticalError,
            QStringLiteral("请柬已经交给打印机，但打印记录没有写完：%1\n\n"
                           "程序下次读取打印记录时会按打印队列补上。排除问题后按“继续打印”接着打印。")
                .arg(std::exchange(m_recordTrouble, QString())));
    }
}

Result<GuestCursor> PrintRun::produceCard(const QList<Label>& labels, const GuestFields& guest)
{
    // The cursor moves on only once the card has left: a failed card is printed again on continue.
    const Result<GuestCursor> next = m_store.nextGuest(m_cursor);
    if (!next.isOk())
        return next;
    // Set for every card: the settings window may have printed a test sheet meanwhile.
    m_target.applyTo(m_printer);
    const QString title = QStringLiteral("请柬 %1 – %2").arg(m_printed + 1).arg(guest.name);
    m_printer.setDocumentTitle(title);
    if (Status drawn = drawCardFor(m_printer, CardTemplate(labels, m_guestName, m_rules), guest);
        !drawn.isOk()) {
        m_printer.discardDocument();
        return drawn;
    }
    // Written down, committed, before it leaves; settled once the spooler has answered. A program
    // that stops in between leaves a 发送中 row, which the next start settles with the spooler.
    PrintRecord card;
    card.listId = m_listId;
    card.guestId = m_namedGuest ? m_namedGuestId : m_cursor.guestId;
    card.name = guest.name;
    card.printer = m_target.sheet.printerName;
    card.title = title;
    card.sentAt = PrintRecordStore::timeText(QDateTime::currentDateTime());
    PrintRecordStore records(m_store);
    const Result<qint64> recordId = records.beginCard(card);
    if (!recordId.isOk()) {
        m_printer.discardDocument();
        return Status::failure(QStringLiteral("打印记录无法写入，所以请柬没有交给打印机：") +
                               recordId.error());
    }
    if (m_runFirstRecord == 0)
        m_runFirstRecord = recordId.value();
    const Status sent = m_printer.endDocument();
    const SentJob job = m_printer.lastJob();
    const Status recorded = records.finishCard(recordId.value(), job);
    // This run's cards are counted as they leave; the style's record is read again by the next
    // look at the spooler.
    m_recordStale = true;
    // A refused card is printed again on continue: it is not one of the run's failures.
    if (job.outcome == SentJob::Outcome::Taken)
        ++(job.done ? m_runCards.printed : m_runCards.queued);
    if (job.outcome == SentJob::Outcome::Taken && !job.done && !m_timerJobs->isActive())
        m_timerJobs->start();
    if (!sent.isOk()) {
        if (!recorded.isOk())
            return Status::failure(sent.error() + QStringLiteral("\n\n打印记录也没有写完：") +
                                   recorded.error());
        return sent;
    }
    if (!recorded.isOk())
        m_recordTrouble = recorded.error();
    return next;
}

void PrintRun::finish()
{
    setState(State::Finished);
    readRecord();
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

void PrintRun::prepareNamedGuest(qint64 guestId, const GuestFields& guest)
{
    if (isGoing())
        return;
    // After a finished run this is a fresh run of one card.
    setState(State::Ready);
    m_namedGuest = guest;
    m_namedGuestId = guestId;
    m_runFirstRecord = 0;
    m_runCards = RecordSummary{};
    m_guestCount = 1;
    m_printed = 0;
    emit changed();
}
