// The print run engine without any window: what a load allows, what each card is drawn with, the
// run's states, the end of the list, every way a card can fail, the question before the first card,
// and the print record.
#include "PrintFixture.h"
#include "core/printing/CardExport.h"
#include "core/printing/PdfCardPrinter.h"
#include "core/store/PrintRecordStore.h"

#include <QTemporaryDir>

#include <functional>

namespace {

// A drawn text as "text (x,y) family points" and B/I for bold and italic.
QString drawn(const PrintedText& t)
{
    const QString style = QString(t.font.bold() ? "B" : "-") + (t.font.italic() ? "I" : "-");
    return u"%1 (%2,%3) %4 %5 %6"_s.arg(t.text, QString::number(t.positionMm.x()),
                                        QString::number(t.positionMm.y()), t.font.family(),
                                        QString::number(t.font.pointSize()), style);
}

QStringList drawnTexts(const PrintedDocument& job)
{
    QStringList texts;
    for (const PrintedText& t : job)
        texts << drawn(t);
    return texts;
}

// The print record in order: "name state job" per card, "?" after a job the spooler forgot.
QString recorded(TestDatabase& db)
{
    return db
        .scalar(
            u"SELECT group_concat(Name || ' ' || State || ' ' || JobID || iif(JobUnknown, '?', ''), ', ') "
            "FROM (SELECT * FROM PrintRecord ORDER BY RecordID)"_s)
        .toString();
}

// A card of guest `guestId` written straight into the record, sent `secondsAgo` seconds ago.
void recordCard(TestDatabase& db, qint64 guestId, const QString& state, int job = 0,
                const QString& title = {}, int secondsAgo = 60)
{
    db.exec(u"INSERT INTO PrintRecord (ListID, GuestID, Name, Printer, JobID, JobTitle, State, SentAt) "
            "VALUES (1, ?, '宾客' || ?, '', ?, ?, ?, ?)"_s,
            {guestId, guestId, job, title.isNull() ? u""_s : title, state,
             PrintRecordStore::timeText(QDateTime::currentDateTime().addSecs(-secondsAgo))});
}

} // namespace

class tst_printrun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void whatALoadAllows_data()
    {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::addColumn<QString>("column"); // of the guest-name setting, set to `value`
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("said"); // in the one message; empty: no message
        const auto row = [](const char* tag, int labels, int guests, const QString& column = {},
                            const QString& value = {}, const QString& said = {}) {
            QTest::newRow(tag) << labels << guests << column << value << said;
        };
        row("labels, no guests", 2, 0);
        row("guests, no labels", 0, 3);
        row("both", 2, 3);
        row("size not a number", 1, 1, u"keyfontsize"_s, u"大号"_s, u"字号“大号”"_s);
        row("size past 16 bits", 1, 1, u"keyfontsize"_s, u"40000"_s, u"字号“40000”"_s);
        row("y out of range", 1, 1, u"keyy"_s, u"1e999"_s, u"纵向位置“1e999”"_s);
    }

    // Catches a run allowed for a style that cannot print a card, or refused for one that can, a
    // cursor not on the first guest, and a guest-name setting from a file made elsewhere that is
    // silently printed with (a wrapped size, a position of 0): it is named in a message and printing
    // stays off.
    void whatALoadAllows()
    {
        QFETCH(int, labels);
        QFETCH(int, guests);
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, said);
        PrintFixture f(guests);
        for (int i = 0; i < labels; ++i)
            f.addLabel();
        if (!column.isEmpty()) {
            f.t.db.exec(u"DROP TABLE GuestXY"_s); // a table that takes any value
            f.t.db.exec(
                u"CREATE TABLE GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, "
                "keyanchor DEFAULT 0, keyfitwidth, keyvertical DEFAULT 0, NameFormat DEFAULT '{姓名}', "
                "PartnerFormat DEFAULT '')"_s);
            f.t.db.exec(u"INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                        "VALUES (1, 1, 2, '楷体', '12', '常规')"_s);
            f.t.db.exec(u"UPDATE GuestXY SET %1 = ?"_s.arg(column), {value});
        }
        f.open();
        QCOMPARE(f.run->printable(), labels > 0 && guests > 0 && said.isEmpty());
        QCOMPARE(f.t.messages.count(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty()) {
            const QString& text = f.t.messages.last().text;
            QVERIFY2(text.contains(said) && text.contains(u"婚宴"_s), qPrintable(text));
            return;
        }
        QCOMPARE(f.run->guestCount(), guests);
        QCOMPARE(f.run->cursor().atEnd, guests == 0);
        QCOMPARE(f.run->cursor().guest.name, guests ? u"宾客1"_s : QString());
    }

    void labelsAndNameAreDrawnInTheirFonts_data()
    {
        QTest::addColumn<QString>("nameSetting");
        QTest::addColumn<QString>("name");
        QTest::newRow("saved") << u"keyfont = '楷体', keyfontsize = '20.5', keyfontstyle = '粗斜体'"_s
                               << u"宾客1 (60,90) 楷体 20 BI"_s;
        QTest::newRow("never saved") << u"keyfont = NULL, keyfontsize = NULL, keyfontstyle = NULL"_s
                                     << u"宾客1 (60,90) 宋体 12 --"_s;
        QTest::newRow("font without size") << u"keyfont = '黑体', keyfontsize = NULL, keyfontstyle = '斜体'"_s
                                           << u"宾客1 (60,90) 宋体 12 --"_s;
    }

    // Catches a wrong style word table, bold/italic not inherited after an unknown or empty word,
    // sizes (the name's too) not rounded half to even, U+3000 trimmed along with ASCII spaces, and
    // a name drawn in the labels' style or, when its setting was never saved, in an undefined font;
    // and the style of one card's last text carried into the next card: every card starts upright
    // and regular, so a first label with an unknown word prints the same on every card.
    void labelsAndNameAreDrawnInTheirFonts()
    {
        QFETCH(QString, nameSetting);
        QFETCH(QString, name);
        const struct
        {
            const char *text, *font, *size, *style; // as saved; a null style word is NULL
            const char* drawn;
        } labels[] = {
            {"开头", "宋体", "12", "Bold", "开头 (1,2) 宋体 12 --"},
            {"常规", "宋体", "12", "常规", "常规 (1,2) 宋体 12 --"},
            {"粗体", "黑体", "10.5", "粗体", "粗体 (1,2) 黑体 10 B-"},
            {"继承", "黑体", "11.5", "Bold", "继承 (1,2) 黑体 12 B-"},
            {"斜体", "楷体", "9", "斜体", "斜体 (1,2) 楷体 9 -I"},
            {"空词", "楷体", "9", "", "空词 (1,2) 楷体 9 -I"},
            {"粗斜体", "楷体", "14", "粗斜体", "粗斜体 (1,2) 楷体 14 BI"},
            {"  \u3000前后\u3000  ", "宋体", "12", " 常规", "\u3000前后\u3000 (1,2) 宋体 12 BI"},
            {"", "", "12", nullptr, " (1,2) 宋体 12 BI"}, // no font: 宋体
        };
        PrintFixture f(2);
        f.t.db.exec(u"UPDATE GuestXY SET "_s + nameSetting);
        QStringList expected;
        for (const auto& l : labels) {
            f.addLabel(l.text, l.font, l.size, l.style ? QVariant(l.style) : QVariant());
            expected << l.drawn;
        }
        f.open();
        f.pressOne();
        f.pressOne();
        QCOMPARE(f.t.printer.jobs.size(), 2);
        QCOMPARE(drawnTexts(f.t.printer.jobs.first()), expected << name);
        QCOMPARE(drawn(f.t.printer.jobs.last().first()), expected.first());
        QCOMPARE(f.t.messages.count(), 0);
    }

    // Catches a wrong transition for either option in any state, a press that does nothing after
    // the option was switched during a run (暂停打印 must pause, 继续打印 and 打印下一份 must print in
    // the option now selected), and the style chooser allowed during a run.
    void everyTransitionOfTheRun()
    {
        // A: press with O_All, O: press with O_One, T: a tick of Timer_Print, R: reload, -: nothing.
        const struct
        {
            char action;
            RunState state;
            int cards;
        } steps[] = {
            {'-', RunState::Ready, 0},    {'A', RunState::Running, 0},  {'T', RunState::Running, 1},
            {'O', RunState::Paused, 1},   {'O', RunState::Stepping, 2}, {'A', RunState::Running, 2},
            {'T', RunState::Running, 3},  {'A', RunState::Paused, 3},   {'A', RunState::Running, 3},
            {'R', RunState::Ready, 0},    {'O', RunState::Stepping, 1}, {'O', RunState::Stepping, 2},
            {'A', RunState::Running, 2},  {'T', RunState::Running, 3},  {'T', RunState::Running, 4},
            {'T', RunState::Finished, 5},
        };
        PrintFixture f(5);
        f.addLabel();
        f.open();
        f.timer()->setInterval(3600 * 1000);                    // only the test's ticks print
        f.t.messages.setNextAnswer(MessageService::Answer::No); // after the reload: all five again
        for (const auto& step : steps) {
            if (step.action == 'R')
                f.reload();
            else if (step.action == 'T')
                f.tick();
            else if (step.action == 'A')
                f.pressAll();
            else if (step.action == 'O')
                f.pressOne();
            const QByteArray where = "step " + QByteArray::number(int(&step - steps));
            QVERIFY2(f.state() == step.state, where);
            QVERIFY2(f.timer()->isActive() == (step.state == RunState::Running), where);
            QVERIFY2(f.run->printed() == step.cards, where);
            const bool idle = step.state == RunState::Ready || step.state == RunState::Finished;
            QVERIFY2(f.run->styleChooserAllowed() == idle, where);
            QVERIFY2(f.run->isGoing() == !idle, where);
        }
        QCOMPARE(f.t.printer.printedNames(),
                 QStringList({"宾客1", "宾客2", "宾客3", "宾客1", "宾客2", "宾客3", "宾客4", "宾客5"}));
        QCOMPARE(f.run->status(), u"打印已全部完成！"_s);
        // Only the question of the run after the reload; ordinary names: the character check asks nothing.
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY(f.t.messages.last().text.contains(u"已打印 3 / 5"_s));
    }

    // Catches names not printed as stored or in another order than entered, and a card or a crash when
    // the cursor runs past the end of a shrunk list before the counter reaches the guest count. (The
    // one-card run that ends at its count is the main window's test.)
    void theOneCardModeEndsPastTheEndOfAShrunkList()
    {
        PrintFixture f(3);
        f.t.db.exec(u"UPDATE Guests SET Name = ' 宾客2 ' WHERE Name = '宾客2'"_s);
        f.addLabel();
        f.open();
        f.pressOne();
        f.t.db.exec(u"DELETE FROM Guests WHERE Name = '宾客3'"_s);
        f.pressOne();
        f.pressOne();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", " 宾客2 "}));
        QVERIFY(f.t.printer.openDocument.isEmpty());
        QCOMPARE(f.run->printed(), 2);
        QCOMPARE(f.state(), RunState::Finished);
    }

    void aFailingPrinterPausesAndEveryGuestIsPrintedOnce_data()
    {
        QTest::addColumn<bool>("oneCard");
        QTest::newRow("running") << false;
        QTest::newRow("one card at a time") << true;
    }

    // Catches a refused or unbegun card counted as printed, skipped or printed twice, and a run
    // that goes on after a failure: it pauses with the cursor on that guest, and continuing prints
    // guests 2 to 5 once each, in order.
    void aFailingPrinterPausesAndEveryGuestIsPrintedOnce()
    {
        QFETCH(bool, oneCard);
        PrintFixture f(5);
        f.addLabel();
        f.open();
        f.timer()->setInterval(3600 * 1000);
        const auto advanceUntil = [&](const std::function<bool()>& done) {
            for (int i = 0; i < 12 && !done(); ++i) {
                if (oneCard)
                    f.pressOne();
                else if (f.state() != RunState::Running)
                    f.pressAll();
                else
                    f.tick();
            }
        };
        f.t.printer.refuseJob = 2;
        advanceUntil([&] { return f.t.messages.count() == 1; });
        QCOMPARE(f.state(), RunState::Paused);
        QVERIFY(!f.timer()->isActive());
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1"}));
        QCOMPARE(f.run->printed(), 1);
        QCOMPARE(f.run->cursor().guest.name, u"宾客2"_s);
        QVERIFY(f.t.messages.last().text.contains(u"拒绝"_s));
        QCOMPARE(f.run->status(), u"请柬没有打印，打印已暂停，还剩 4 张。"_s);

        f.t.printer.offline = true; // the next try cannot even begin
        advanceUntil([&] { return f.t.messages.count() == 2; });
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.run->printed(), 1);

        f.t.printer.offline = false;
        advanceUntil([&] { return f.state() == RunState::Finished; });
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2", "宾客3", "宾客4", "宾客5"}));
        QCOMPARE(f.run->printed(), 5);
        QCOMPARE(f.t.messages.count(), 2);
    }

    // Catches an empty card when the labels were removed after the load, and a run that does not
    // pause; the style chooser is allowed again so they can be mended. (A label size spoilt during a
    // run is the main window's test, mended through the chooser.)
    void removedLabelsPauseWithoutACard()
    {
        PrintFixture f(2);
        f.addLabel();
        f.open();
        f.t.db.exec(u"DELETE FROM Main"_s);
        f.pressOne();
        QCOMPARE(f.t.printer.begun, 0);
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.run->cursor().guest.name, u"宾客1"_s);
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY(f.t.messages.lastSays(u"没有任何标签"_s));
        QVERIFY(f.run->styleChooserAllowed());
    }

    // Catches a run that starts without a word about names and labels that stay longer than their
    // fit width at the smallest size, or that names ones that fit once shrunk.
    void runAsksAboutTextsLongerThanTheirWidth()
    {
        PrintFixture f(0);
        f.t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, '王田'), (1, '欧阳娜娜娜'), "
                    "(1, '司马相如与卓文君伉俪')"_s);
        f.t.db.exec(u"UPDATE GuestXY SET keyanchor = 1, keyfitwidth = 25 WHERE ListID = 1"_s); // 楷体 20
        f.addLabel(u"敬请光临"_s);
        f.addLabel(u"谨定于二〇二七年五月二十八日举行婚礼"_s);
        f.t.db.exec(u"UPDATE Main SET KeyFitWidth = 30, KeyVertical = 1"_s); // 宋体 12 down the columns
        f.open();
        f.pressOne(); // answered No
        QCOMPARE(f.t.messages.count(), 1);
        const QString question = f.t.messages.last().text;
        QVERIFY2(question.contains(u"标签‘标签2’的文字超出宽度\n宾客‘司马相如与卓文君伉俪’的姓名超出宽度"_s),
                 qPrintable(question));
        QVERIFY(!question.contains(u"王田"_s) && !question.contains(u"娜娜"_s) &&
                !question.contains(u"标签1"_s));
        QCOMPARE(f.t.printer.begun, 0);
    }

    // Catches a status line that is not true for the state the run is in: the prompt to choose a
    // style after one is loaded, the running text while paused or without the cards left, and
    // "全部完成" after a reload.
    void theStatusSaysWhereTheRunStands()
    {
        PrintFixture f(3);
        f.run = std::make_unique<PrintRun>(f.t.store, f.t.printer, f.t.messages);
        f.timer()->setInterval(3600 * 1000);
        const auto says = [&f](const QString& expected) {
            QVERIFY2(f.run->status() == expected, qPrintable(f.run->status()));
        };
        says(u"请先选择请柬样式，再进行宾客及打印设置。"_s);
        f.reload();
        says(u"请柬样式“婚宴”还没有标签，请先在“请柬样式”中编辑样式。"_s);
        f.addLabel();
        f.reload();
        f.pressAll();
        says(u"正在自动打印，每 4 秒打印一张，还剩 3 张。"_s);
        f.tick();
        says(u"正在自动打印，每 4 秒打印一张，还剩 2 张。"_s);
        f.pressAll();
        f.pressOne();
        says(u"已打印 2 张，还剩 1 张。放好下一张请柬后点击“打印下一份”。"_s);
        f.pressOne();
        f.reload();
        says(u"已打印 3 / 3。请选择打印方式，然后点击“开始打印”。"_s);
        f.t.db.exec(u"DELETE FROM Guests"_s);
        f.reload();
        says(u"请柬样式“婚宴”还没有宾客，请先在“请柬样式”中添加宾客名单。"_s);
    }

    // Catches a run that ignores the style's table order or fills no field; a field value that no
    // font draws is asked about under the guest who brings it, with the name format's own text,
    // before the first card only.
    void tableOrderRunFillsFields()
    {
        PrintFixture f(0);
        f.t.db.exec(
            u"INSERT INTO Guests (ListID, Name, Sex, TableNo, Job) VALUES (1, '甲', '男', '10', ''), "
            "(1, '乙', '女', '2', '某\uE002厂'), (1, '丙', NULL, '', ''), (1, '丁', '男', '2', '')"_s);
        f.t.db.exec(u"UPDATE GuestXY SET NameFormat = '{姓名}{称谓}\uE003' WHERE ListID = 1"_s);
        f.t.db.exec(u"UPDATE Lists SET TableOrder = 1 WHERE ListID = 1"_s);
        f.addLabel(u"第 {桌号} 桌 {单位}"_s);
        f.open();
        f.t.messages.setNextAnswer(true);
        f.pressOne();
        const QString question = f.t.messages.last().text;
        QVERIFY2(question.contains(u"宾客“乙”：“\uE002”"_s) &&
                     question.contains(u"宾客姓名的格式：“\uE003”"_s) && !question.contains(u"宾客“甲”"_s),
                 qPrintable(question));
        for (int i = 0; i < 3; ++i)
            f.pressOne();
        QCOMPARE(f.t.messages.count(), 1); // asked before the first card only
        QCOMPARE(f.t.printer.printedNames(),
                 QStringList({u"乙女士\uE003"_s, u"丁先生\uE003"_s, u"甲先生\uE003"_s, u"丙\uE003"_s}));
        QCOMPARE(f.t.printer.jobs.at(0).at(0).text, u"第 2 桌 某\uE002厂"_s);
        QCOMPARE(f.t.printer.jobs.at(3).at(0).text, u"第  桌"_s); // trimmed like every label
        QCOMPARE(f.state(), RunState::Finished);
    }

    // Catches a card the record misses or keeps in the wrong state: every card handed over is a row
    // with its job; the spooler's later word turns it 已打印 or 失败 (with the printer's words), a job
    // the spooler forgot keeps 已排队 and says so, and two cards for one guest in the same second are
    // two rows. A run is not called complete while its cards wait. (A refused card, 失败 at once with
    // the spooler's words, is the real-spooler record test.)
    void everyCardIsRecordedAndFollowedToThePaper()
    {
        PrintFixture f(3);
        f.addLabel();
        f.t.printer.spooling = true;
        f.open();
        QTimer* jobs = f.run->findChild<QTimer*>(u"Timer_Jobs"_s);
        for (int i = 0; i < 3; ++i)
            f.pressOne();
        QCOMPARE(recorded(f.t.db), u"宾客1 已排队 1001, 宾客2 已排队 1002, 宾客3 已排队 1003"_s);
        QCOMPARE(f.state(), RunState::Finished);
        QCOMPARE(f.run->status(), u"请柬已全部交给打印机，还有 3 张在打印队列中等待打印。"_s);
        QVERIFY(jobs->isActive());

        f.t.printer.endJob(1001, SpooledJob::Stage::Printed);
        f.t.printer.endJob(1002, SpooledJob::Stage::Failed, u"Out of paper"_s);
        f.t.printer.stages.remove(1003); // the spooler's history was cleared
        QMetaObject::invokeMethod(jobs, "timeout");
        QCOMPARE(recorded(f.t.db), u"宾客1 已打印 1001, 宾客2 失败 1002, 宾客3 已排队 1003?"_s);
        QCOMPARE(f.t.db.scalar(u"SELECT Note FROM PrintRecord WHERE JobID = 1002"_s).toString(),
                 u"Out of paper"_s);
        QCOMPARE(f.run->status(), u"打印结束，其中 1 张请柬没有打印成功。"_s);
        QVERIFY(f.run->canPrintFailed());
        QVERIFY(!jobs->isActive()); // nothing left that the spooler could still change

        f.t.printer.spooling = false; // cards finished at once, as files are
        for (int i = 0; i < 2; ++i) {
            f.run->prepareNamedGuest(1, GuestFields{u"宾客1"_s});
            f.pressOne();
        }
        QVERIFY(recorded(f.t.db).endsWith(u"宾客1 已打印 0, 宾客1 已打印 0"_s));
        QCOMPARE(f.t.db.wrongLastMarks(), 0);
    }

    void aResumedRunLeavesOutPrintedAndQueuedGuests_data()
    {
        QTest::addColumn<int>("answer"); // MessageService::Answer to the question
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("only those left")
            << int(MessageService::Answer::Yes) << QStringList({"宾客3", "宾客4", "宾客5"});
        QTest::newRow("not now") << int(MessageService::Answer::Cancel) << QStringList();
    }

    // Catches a resumed run that prints a guest whose last card is printed or still queued, skips
    // one whose last card failed or was marked spoiled, counts the whole list, or asks more than once.
    void aResumedRunLeavesOutPrintedAndQueuedGuests()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, printed);
        PrintFixture f(5);
        f.addLabel();
        recordCard(f.t.db, 1, u"失败"_s);
        recordCard(f.t.db, 1, u"已打印"_s); // its last card counts
        recordCard(f.t.db, 2, u"已排队"_s, 77);
        recordCard(f.t.db, 3, u"已打印"_s);
        recordCard(f.t.db, 3, u"失败"_s);
        recordCard(f.t.db, 4, u"作废"_s);
        f.t.printer.stages[77] = SpooledJob{77, SpooledJob::Stage::Waiting, {}, {}, 0, {}};
        f.open();
        QCOMPARE(f.run->status(), u"已打印 1 / 5，1 张在打印队列中，1 张请柬没有打印成功。"
                                  "请选择打印方式，然后点击“开始打印”。"_s);
        f.t.messages.setNextAnswer(MessageService::Answer(answer));
        f.pressOne();
        QCOMPARE(f.t.messages.count(), 1);
        const QString question = f.t.messages.last().text;
        QVERIFY2(question.contains(u"已打印 1 / 5，另有 1 张在打印队列中"_s) &&
                     question.contains(u"还没有打印的 3 位宾客"_s),
                 qPrintable(question));
        for (int i = 1; i < printed.size(); ++i)
            f.pressOne();
        QCOMPARE(f.t.printer.printedNames(), printed);
        QCOMPARE(f.run->guestCount(), printed.isEmpty() ? 5 : int(printed.size()));
        QCOMPARE(f.state(), printed.isEmpty() ? RunState::Ready : RunState::Finished);
        QCOMPARE(f.t.messages.count(), 1);
    }

    // Catches a run that fills a stopped printer's queue and then says "打印已全部完成！": before the
    // first card and before each later one the printer is looked at; held up, the run pauses with
    // its state and reasons, the card is neither sent nor counted, and the cards already sent stay
    // 已排队. (A queue stopped or refusing jobs with the printer's own words is the real-spooler
    // test's; here the reasons are named in Chinese.)
    void aStoppedPrinterPausesTheRunBeforeACard()
    {
        PrintFixture f(3);
        f.addLabel();
        f.t.printer.spooling = true;
        f.open();
        f.timer()->setInterval(3600 * 1000);
        const PrinterStatus heldUp{true, true, true, {u"media-empty-error"_s, u"paused"_s}, {}};
        f.t.printer.status = heldUp;
        f.pressAll();
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.t.printer.begun, 0);
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY(f.t.messages.lastSays(u"已停止（原因：缺纸 media-empty-error，已被暂停 paused）"_s));

        f.t.printer.status = PrinterStatus{};
        f.pressAll();
        f.tick();
        f.t.printer.status = heldUp; // held up again after the first card
        f.tick();
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.run->printed(), 1);
        QCOMPARE(f.t.messages.count(), 2);
        QCOMPARE(recorded(f.t.db), u"宾客1 已排队 1001"_s);
        QCOMPARE(f.run->status(), u"请柬没有打印，打印已暂停，还剩 2 张。"_s);
    }

    // Catches chosen guests printed out of the given order, with guests not chosen, or counted as the
    // whole list; the failed guests' run printing others; and a chosen run or a named card taking a
    // going run's place (which would skip that run's guests and report it finished); a list printed
    // through that starts again without asking.
    void chosenAndFailedGuestsPrintAsRunsOfTheirOwn()
    {
        PrintFixture f(4);
        f.addLabel();
        f.open();
        f.run->printChosen({3, 1}, PrintRun::Mode::OneByOne);
        QCOMPARE(f.run->guestCount(), 2);
        f.pressOne();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客3", "宾客1"}));
        QCOMPARE(f.state(), RunState::Finished);

        recordCard(f.t.db, 2, u"失败"_s);
        recordCard(f.t.db, 4, u"失败"_s);
        f.reload();
        QVERIFY(f.run->canPrintFailed());
        f.timer()->setInterval(3600 * 1000);
        f.run->printFailed(PrintRun::Mode::Automatic);
        f.tick();
        f.tick();
        QCOMPARE(f.t.printer.printedNames().mid(2), QStringList({"宾客2", "宾客4"}));
        QCOMPARE(f.state(), RunState::Finished);
        QVERIFY(!f.run->canPrintFailed());
        QCOMPARE(f.t.messages.count(), 0); // a chosen run asks nothing

        f.reload();
        f.t.messages.setNextAnswer(true); // every guest printed: asked, then all again
        f.pressAll();
        QVERIFY(f.t.messages.lastSays(u"要把全部 4 位宾客的请柬重新打印一遍吗"_s));
        f.run->printChosen({1}, PrintRun::Mode::OneByOne);
        f.run->prepareNamedGuest(3, GuestFields{u"宾客3"_s});
        QCOMPARE(f.state(), RunState::Running);
        QCOMPARE(f.run->guestCount(), 4);
        QVERIFY(f.t.messages.last().text.contains(u"请等这次打印结束后"_s));
    }

    void aCardCutOffWhileSendingIsSettledWithTheSpooler_data()
    {
        QTest::addColumn<QStringList>("jobs"); // "id title secondsAfterTheCard stage(W/P/F)"
        QTest::addColumn<bool>("spoolerDown");
        QTest::addColumn<QString>("record");
        const QString title = u"请柬 1 – 宾客1"_s;
        QTest::newRow("an old job of the same title")
            << QStringList{u"500 %1 -100 P"_s.arg(title)} << false << u"宾客1 已打印 9"_s;
        QTest::newRow("its title's job is another card's")
            << QStringList{u"9 %1 1 W"_s.arg(title)} << false << u"宾客1 已打印 9, 宾客1 发送中 0?"_s;
        QTest::newRow("no history to tell") << QStringList() << false << u"宾客1 已打印 9, 宾客1 发送中 0?"_s;
        QTest::newRow("spooler silent") << QStringList() << true << u"宾客1 已打印 9, 宾客1 发送中 0"_s;
    }

    // Catches a card the program stopped sending (SIGKILL, power cut) settled wrongly at the next
    // start: taken for a job it is not (an older job of the same title, or another card's), dropped
    // when the spooler keeps no history that could tell or does not answer. (A card that became a
    // job, or never reached the spooler, is the real-spooler kill test's.)
    void aCardCutOffWhileSendingIsSettledWithTheSpooler()
    {
        QFETCH(QStringList, jobs);
        QFETCH(bool, spoolerDown);
        QFETCH(QString, record);
        PrintFixture f(1);
        f.addLabel();
        recordCard(f.t.db, 1, u"已打印"_s, 9, u"请柬 1 – 宾客1"_s, 300);
        recordCard(f.t.db, 1, u"发送中"_s, 0, u"请柬 1 – 宾客1"_s, 30);
        const qint64 sent = QDateTime::currentSecsSinceEpoch() - 30;
        for (const QString& line : jobs) {
            const QStringList fields = line.split(u' ');
            const auto stage = fields.last() == u"P"_s   ? SpooledJob::Stage::Printed
                               : fields.last() == u"F"_s ? SpooledJob::Stage::Failed
                                                         : SpooledJob::Stage::Waiting;
            const int id = fields.first().toInt();
            const QString title = fields.mid(1, fields.size() - 3).join(u' ');
            const qint64 at = sent + fields.at(fields.size() - 2).toInt();
            f.t.printer.stages[id] = SpooledJob{id, stage, title, {}, at, {}};
        }
        f.t.printer.spoolerDown = spoolerDown;
        f.open();
        QCOMPARE(recorded(f.t.db), record);
        QCOMPARE(f.t.db.wrongLastMarks(), 0); // a withdrawn card gives the mark back to the one before
    }

    // Catches the file backend recording nothing or something else than the printer would, and the
    // export recording its pages.
    void theFileBackendRecordsAndTheExportDoesNot()
    {
        PrintFixture f(2);
        f.addLabel();
        QTemporaryDir folder;
        PdfCardPrinter files(folder.path());
        PrintRun run(f.t.store, files, f.t.messages);
        run.load(1, u"婚宴"_s);
        run.press(PrintRun::Mode::OneByOne);
        QCOMPARE(recorded(f.t.db), u"宾客1 已打印 1"_s);
        const Result<CardSet> cards = loadCardSet(f.t.store, 1, u"婚宴"_s);
        QVERIFY(cards.isOk());
        QVERIFY(exportCards(cards.value(), PdfCardPrinter::defaultLayout(), folder.filePath(u"all.pdf"_s))
                    .isOk());
        QCOMPARE(recorded(f.t.db), u"宾客1 已打印 1"_s);
    }
};

QTEST_MAIN(tst_printrun)
#include "tst_printrun.moc"
