// The print run's states as the print button and the timer show them, through every transition,
// with the pace shortened; and the no-printer message on each click.
#include "PrintFixture.h"

using RunState = w_Main::RunState;

class tst_printrun : public QObject
{
    Q_OBJECT

private:
    // Checks the state, the caption that shows it, the timer and the cards printed so far.
    static void expect(PrintFixture& f, RunState state, const char* caption, bool timerOn, int cards)
    {
        QCOMPARE(f.window->runState(), state);
        QCOMPARE(f.caption(), QString::fromUtf8(caption));
        QCOMPARE(f.timer("Timer_Print")->isActive(), timerOn);
        QCOMPARE(int(f.t.printer.jobs.size()), cards);
        QCOMPARE(f.text("L_OK"), QString::number(cards));
    }

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void everyTransitionOfTheRun()
    {
        PrintFixture f(6);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        QTimer* pace = f.timer("Timer_Print");
        QCOMPARE(pace->interval(), 4000);
        expect(f, RunState::Ready, "开始打印(&P)", false, 0);
        QVERIFY(f.button("Cmd_QJList")->isEnabled());

        // Ready, O_All: running, and no card before the first tick.
        pace->setInterval(60000);
        f.clickPrint();
        expect(f, RunState::Running, "暂停打印(&P)", true, 0);
        QVERIFY(!f.button("Cmd_QJList")->isEnabled());
        QCOMPARE(f.text("L_state"), QStringLiteral("正在生成并打印，请稍候……"));

        // Running, O_One: nothing changes and the click prints nothing.
        f.selectOne();
        f.clickPrint();
        expect(f, RunState::Running, "暂停打印(&P)", true, 0);

        // Running, O_All: paused, still no card; a pause also shows the "please wait" status.
        f.selectAll();
        f.clickPrint();
        expect(f, RunState::Paused, "继续打印(&P)", false, 0);
        QCOMPARE(f.text("L_state"), QStringLiteral("正在生成并打印，请稍候……"));
        QVERIFY(!f.button("Cmd_QJList")->isEnabled());

        // Paused, O_One: nothing.
        f.selectOne();
        f.clickPrint();
        expect(f, RunState::Paused, "继续打印(&P)", false, 0);

        // Paused, O_All: running; ticks print one card each.
        f.selectAll();
        pace->setInterval(200);
        f.clickPrint();
        QCOMPARE(f.window->runState(), RunState::Running);
        QTRY_VERIFY(f.t.printer.jobs.size() >= 1);
        f.clickPrint();
        const int afterPause = int(f.t.printer.jobs.size());
        expect(f, RunState::Paused, "继续打印(&P)", false, afterPause);
        QTest::qWait(100);
        QCOMPARE(int(f.t.printer.jobs.size()), afterPause); // a pause never lets another card out
        QVERIFY(afterPause < 6);

        // Ready and Stepping with O_One print one card per click.
        f.reload();
        f.t.printer.jobs.clear();
        expect(f, RunState::Ready, "开始打印(&P)", false, 0);
        f.selectOne();
        f.clickPrint();
        expect(f, RunState::Stepping, "打印下一份(&P)", false, 1);
        f.clickPrint();
        expect(f, RunState::Stepping, "打印下一份(&P)", false, 2);

        // Stepping, O_All: paused with the timer off; the next click runs automatically to the end.
        f.selectAll();
        f.clickPrint();
        expect(f, RunState::Paused, "继续打印(&P)", false, 2);
        pace->setInterval(20);
        f.clickPrint();
        QTRY_COMPARE(f.window->runState(), RunState::Finished);
        expect(f, RunState::Finished, "开始打印(&P)", false, 6);
        QVERIFY(!f.button("Cmd_Print")->isEnabled());
        QVERIFY(f.button("Cmd_QJList")->isEnabled());
        QCOMPARE(f.t.printer.printedNames(),
                 QStringList({"宾客1", "宾客2", "宾客3", "宾客4", "宾客5", "宾客6"}));
        QCOMPARE(f.t.messages.count(), 0);
    }

    void withoutAPrinterEveryClickWarnsFirst()
    {
        PrintFixture f(2);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.t.printer.printerCount = 0;
        f.timer("Timer_Print")->setInterval(60000);
        f.clickPrint();
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(f.t.messages.last().title, QStringLiteral("关键性错误"));
        QCOMPARE(f.t.messages.last().text,
                 QStringLiteral(
                     "系统未发现指定的打印机，请检查打印机安装是否正确。\n\n"
                     "该错误的发生可能导致打印过程终止，请检查打印机后按“确定”，程序将尝试是否可以继续。"));
        QCOMPARE(f.window->runState(), RunState::Running); // the click carries on after OK
        f.clickPrint();
        QCOMPARE(f.t.messages.count(), 2);
        QCOMPARE(f.window->runState(), RunState::Paused);
    }
};

QTEST_MAIN(tst_printrun)
#include "tst_printrun.moc"
