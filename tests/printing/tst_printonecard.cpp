// One card at a time through the main window: what each label and the name are drawn with, the
// cursor and the counter, the end of the list, a named guest, and every way a card can fail.
#include "PrintFixture.h"

namespace {

QString styleOf(const PrintedText& text)
{
    return QStringLiteral("%1%2").arg(text.font.bold() ? "B" : "-", text.font.italic() ? "I" : "-");
}

} // namespace

class tst_printonecard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void labelsAndNameAreDrawnInTheirFonts()
    {
        PrintFixture f(1);
        f.addLabel(QStringLiteral("常规"), 1, 2, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.addLabel(QStringLiteral("粗体"), 3, 4, QStringLiteral("黑体"), QStringLiteral("10.5"),
                   QStringLiteral("粗体"));
        f.addLabel(QStringLiteral("继承粗体"), 5, 6, QStringLiteral("黑体"), QStringLiteral("11.5"),
                   QStringLiteral("Bold"));
        f.addLabel(QStringLiteral("斜体"), 7, 8, QStringLiteral("楷体"), QStringLiteral("9"),
                   QStringLiteral("斜体"));
        f.addLabel(QStringLiteral("空词继承"), 9, 10, QStringLiteral("楷体"), QStringLiteral("9"),
                   QString(""));
        f.addLabel(QStringLiteral("粗斜体"), 11, 12, QStringLiteral("楷体"), QStringLiteral("14"),
                   QStringLiteral("粗斜体"));
        f.addLabel(QStringLiteral("  \u3000前后空格\u3000  "), 13, 14, QStringLiteral("宋体"),
                   QStringLiteral("12"),
                   QStringLiteral(" 常规")); // a word with a space is no word: bold italic carries on
        f.addLabel(QStringLiteral(""), 15, 16, QStringLiteral(""), QStringLiteral("12"),
                   QVariant()); // no font: 宋体
        f.open();
        f.selectOne();
        f.clickPrint();

        QCOMPARE(f.t.printer.jobs.size(), 1);
        const PrintedDocument card = f.t.printer.jobs.first();
        QCOMPARE(card.size(), 9);
        const struct
        {
            const char* text;
            double x, y;
            const char* family;
            int points;
            const char* style;
        } expected[] = {
            {"常规", 1, 2, "宋体", 12, "--"},
            {"粗体", 3, 4, "黑体", 10, "B-"},     // 10.5 rounds half to even
            {"继承粗体", 5, 6, "黑体", 12, "B-"}, // 11.5 rounds to 12; an unknown word inherits
            {"斜体", 7, 8, "楷体", 9, "-I"},
            {"空词继承", 9, 10, "楷体", 9, "-I"},
            {"粗斜体", 11, 12, "楷体", 14, "BI"},
            {"\u3000前后空格\u3000", 13, 14, "宋体", 12, "BI"}, // ASCII spaces trimmed, U+3000 kept
            {"", 15, 16, "宋体", 12, "BI"},
            {"宾客1", 60, 90, "楷体", 20, "--"}, // the name's own word: upright after 粗斜体
        };
        for (int i = 0; i < card.size(); ++i) {
            const PrintedText& got = card.at(i);
            QCOMPARE(got.text, QString::fromUtf8(expected[i].text));
            QCOMPARE(got.positionMm, QPointF(expected[i].x, expected[i].y));
            QCOMPARE(got.font.family(), QString::fromUtf8(expected[i].family));
            QCOMPARE(got.font.pointSize(), expected[i].points);
            QCOMPARE(styleOf(got), QString::fromLatin1(expected[i].style));
        }
    }

    void aNameSettingNeverSavedPrintsInSongTwelveRegular()
    {
        PrintFixture f(2);
        f.t.db.exec(
            QStringLiteral("UPDATE GuestXY SET keyx = 33, keyy = 44, keyfont = NULL, keyfontsize = NULL, "
                           "keyfontstyle = NULL WHERE ListID = 1"));
        f.addLabel(QStringLiteral("粗斜"), 1, 1, QStringLiteral("黑体"), QStringLiteral("30"),
                   QStringLiteral("粗斜体"));
        f.open();
        f.selectOne();
        f.clickPrint();
        // A font name saved without a size counts as never saved too.
        f.t.db.exec(QStringLiteral("UPDATE GuestXY SET keyfont = '黑体' WHERE ListID = 1"));
        f.clickPrint();
        QCOMPARE(f.t.printer.jobs.size(), 2);
        for (const PrintedDocument& card : f.t.printer.jobs) {
            const PrintedText& name = card.last();
            QCOMPARE(name.positionMm, QPointF(33, 44));
            QCOMPARE(name.font.family(), QStringLiteral("宋体"));
            QCOMPARE(name.font.pointSize(), 12);
            QCOMPARE(styleOf(name), QStringLiteral("--"));
        }
        QCOMPARE(f.t.messages.count(), 0);
    }

    void threeGuestsOneByOneThenTheRunEnds()
    {
        PrintFixture f(3);
        f.t.db.exec(QStringLiteral("UPDATE Guests SET Name = ' 宾客2 ' WHERE Name = '宾客2'"));
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        QCOMPARE(f.text("L_Guests"), QStringLiteral("3"));
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.caption(), QStringLiteral("打印下一份(&P)"));
        QCOMPARE(f.text("L_OK"), QStringLiteral("1"));
        QCOMPARE(f.text("L_state"), QStringLiteral("正在生成并打印邀请“宾客1”的请柬..."));
        QVERIFY(!f.button("Cmd_QJList")->isEnabled());
        f.clickPrint();
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", " 宾客2 ", "宾客3"})); // names as stored
        QCOMPARE(f.text("L_OK"), QStringLiteral("3"));
        QCOMPARE(f.text("L_state"), QStringLiteral("打印已全部完成！"));
        QCOMPARE(f.caption(), QStringLiteral("开始打印(&P)"));
        QVERIFY(!f.button("Cmd_Print")->isEnabled());
        QVERIFY(f.button("Cmd_QJList")->isEnabled());
        QCOMPARE(f.window->runState(), w_Main::RunState::Finished);
        for (const PrintedDocument& card : f.t.printer.jobs)
            QCOMPARE(card.size(), 2);

        // A reload starts over: enabled, counter 0, cursor on the first guest.
        f.reload();
        QVERIFY(f.button("Cmd_Print")->isEnabled());
        QCOMPARE(f.text("L_OK"), QStringLiteral("0"));
        QCOMPARE(f.window->guestCursor().name, QStringLiteral("宾客1"));
        QCOMPARE(f.window->runState(), w_Main::RunState::Ready);
    }

    void aCursorPastTheEndFinishesWithoutACard()
    {
        PrintFixture f(3);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.selectOne();
        f.clickPrint();
        // The guest list shrank after the load: the cursor runs past the end before the counter
        // reaches the guest count.
        f.t.db.exec(QStringLiteral("DELETE FROM Guests WHERE Name = '宾客3'"));
        f.clickPrint();
        QVERIFY(f.window->guestCursor().atEnd);
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2"}));
        QVERIFY(f.t.printer.openDocument.isEmpty());
        QCOMPARE(f.text("L_OK"), QStringLiteral("2"));
        QCOMPARE(f.text("L_state"), QStringLiteral("打印已全部完成！"));
        QVERIFY(!f.button("Cmd_Print")->isEnabled());
        QCOMPARE(f.window->runState(), w_Main::RunState::Finished);
    }

    void aNamedGuestCardEndsTheRunAndClearsTheFlag()
    {
        PrintFixture f(3);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.t.state.NamedGuest = QStringLiteral("宾客3");
        f.t.state.PrintNamedGuest = true;
        f.window->prepareNamedGuestPrint(QStringLiteral("宾客3"));
        QCOMPARE(f.text("L_Guests"), QStringLiteral("1"));
        QCOMPARE(f.text("L_state"), QStringLiteral("即将单独打印的请柬宾客为:  宾客3"));
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客3"}));
        QCOMPARE(f.text("L_OK"), QStringLiteral("1"));
        QCOMPARE(f.text("L_state"), QStringLiteral("打印已全部完成！"));
        QVERIFY(!f.t.state.PrintNamedGuest);
        QCOMPARE(f.window->guestCursor().name, QStringLiteral("宾客2")); // the cursor moved on as well
    }

    void aFailingPrinterPausesAndEveryGuestIsPrintedOnce()
    {
        PrintFixture f(5);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.timer("Timer_Print")->setInterval(20);
        f.t.printer.refuseJob = 2;
        f.clickPrint(); // O_All: running
        QTRY_COMPARE(f.window->runState(), w_Main::RunState::Paused);
        QCOMPARE(f.caption(), QStringLiteral("继续打印(&P)"));
        QVERIFY(!f.timer("Timer_Print")->isActive());
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1"}));
        QCOMPARE(f.text("L_OK"), QStringLiteral("1"));
        QCOMPARE(f.window->guestCursor().name, QStringLiteral("宾客2"));
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY(f.t.messages.last().text.contains(QStringLiteral("拒绝")));
        QVERIFY(!f.button("Cmd_QJList")->isEnabled()); // the run goes on after the printer is mended

        // Offline at the next try: again paused, nothing counted, nothing left half-drawn.
        f.t.printer.offline = true;
        f.clickPrint();
        QTRY_COMPARE(f.t.messages.count(), 2);
        QCOMPARE(f.window->runState(), w_Main::RunState::Paused);
        QCOMPARE(f.text("L_OK"), QStringLiteral("1"));

        f.t.printer.offline = false;
        f.clickPrint();
        QTRY_COMPARE(f.window->runState(), w_Main::RunState::Finished);
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2", "宾客3", "宾客4", "宾客5"}));
        QCOMPARE(f.text("L_OK"), QStringLiteral("5"));
        QCOMPARE(f.t.messages.count(), 2);
    }

    void aFailedCardInTheOneCardModeIsTriedAgainByTheNextPress()
    {
        PrintFixture f(3);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.t.printer.refuseJob = 2;
        f.selectOne();
        f.clickPrint();
        f.clickPrint();
        QCOMPARE(f.caption(), QStringLiteral("继续打印(&P)"));
        QCOMPARE(f.t.messages.count(), 1);
        f.clickPrint();
        QCOMPARE(f.caption(), QStringLiteral("打印下一份(&P)"));
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2", "宾客3"}));
        QCOMPARE(f.window->runState(), w_Main::RunState::Finished);
    }

    void unusableLabelsPauseWithoutACard_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said");
        QTest::newRow("labels removed") << "DELETE FROM Main"
                                        << "没有任何标签";
        QTest::newRow("size not a number") << "UPDATE Main SET KeyFontSize = '大'"
                                           << "标签1”的字号“大”";
        QTest::newRow("size zero") << "UPDATE Main SET KeyFontSize = '0'"
                                   << "字号“0”";
    }

    void unusableLabelsPauseWithoutACard()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        PrintFixture f(2);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.t.db.exec(change);
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.jobs.size(), 0);
        QCOMPARE(f.t.printer.begun, 0);
        QCOMPARE(f.window->runState(), w_Main::RunState::Paused);
        QCOMPARE(f.text("L_OK"), QStringLiteral("0"));
        QCOMPARE(f.window->guestCursor().name, QStringLiteral("宾客1"));
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY2(f.t.messages.last().text.contains(said), qPrintable(f.t.messages.last().text));
        QVERIFY(f.t.messages.last().text.contains(QStringLiteral("婚宴")));
        // Labels are mended through the style chooser, so it opens up again.
        QVERIFY(f.button("Cmd_QJList")->isEnabled());
    }
};

QTEST_MAIN(tst_printonecard)
#include "tst_printonecard.moc"
