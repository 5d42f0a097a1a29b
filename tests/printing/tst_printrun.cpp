// The main window's load step and print run: when printing is enabled, what each card is drawn
// with, the run's states as the print button and timer show them, the end of the list, every way
// a card can fail, the check for characters no font can print before the first card, and printing
// a named guest (asking for the name, the literal search, picking the guest, the one-card run).
#include "PrintFixture.h"
#include "ui/main/w_NameList.h"
#include "ui/main/w_NamePrint.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>

#include <functional>

using RunState = w_Main::RunState;

namespace {

// A drawn text as "text (x,y) family points" and B/I for bold and italic.
QString drawn(const PrintedText& t)
{
    const QString style = QString(t.font.bold() ? "B" : "-") + (t.font.italic() ? "I" : "-");
    return u"%1 (%2,%3) %4 %5 %6"_s.arg(t.text, QString::number(t.positionMm.x()),
                                        QString::number(t.positionMm.y()), t.font.family(),
                                        QString::number(t.font.pointSize()), style);
}

// Runs `act` on the next modal w_NamePrint once it is shown.
void onNextQuestion(std::function<void(w_NamePrint*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<w_NamePrint*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        act(dialog);
    });
    poll->start(10);
}

void click(QWidget* window, const char* name)
{
    QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
}

// Shows the search result for `text` in `list` and returns the grid.
QTableView* search(w_NameList& list, PrintFixture& f, const QString& text)
{
    f.t.state.NamedGuest = text;
    list.show();
    (void)QTest::qWaitFor([&] { return !list.findChild<QTimer*>(u"Timer1"_s)->isActive(); });
    return list.findChild<QTableView*>(u"DG_Edit"_s);
}

} // namespace

class tst_printrun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void printingNeedsLabelsAndGuests_data()
    {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::newRow("neither") << 0 << 0;
        QTest::newRow("labels, no guests") << 2 << 0;
        QTest::newRow("guests, no labels") << 0 << 3;
        QTest::newRow("both") << 2 << 3;
    }

    // Catches a print button enabled for a style that cannot print a card, or disabled for one
    // that can, and a cursor not on the first guest.
    void printingNeedsLabelsAndGuests()
    {
        QFETCH(int, labels);
        QFETCH(int, guests);
        PrintFixture f(guests);
        for (int i = 0; i < labels; ++i)
            f.addLabel();
        f.open();
        QCOMPARE(f.button("Cmd_Print")->isEnabled(), labels > 0 && guests > 0);
        QCOMPARE(f.button("Cmd_NamePrint")->isEnabled(), labels > 0 && guests > 0);
        QCOMPARE(f.text("L_Guests"), QString::number(guests));
        QCOMPARE(f.window->guestCursor().atEnd, guests == 0);
        QCOMPARE(f.window->guestCursor().name, guests ? u"宾客1"_s : QString());
        QCOMPARE(f.t.messages.count(), 0);
    }

    void unusableStoredValuesAreReported_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("what");
        QTest::newRow("size not a number") << u"keyfontsize"_s << u"大号"_s << u"字号“大号”"_s;
        QTest::newRow("size past 16 bits") << u"keyfontsize"_s << u"40000"_s << u"字号“40000”"_s;
        QTest::newRow("x not a number") << u"keyx"_s << u"左边"_s << u"横向位置“左边”"_s;
        QTest::newRow("y out of range") << u"keyy"_s << u"1e999"_s << u"纵向位置“1e999”"_s;
    }

    // Catches a guest-name setting from a file made elsewhere that is silently printed with
    // (a wrapped size, a position of 0): it is named in a message and printing stays off.
    void unusableStoredValuesAreReported()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, what);
        PrintFixture f(1);
        f.addLabel();
        f.t.db.exec(u"DROP TABLE GuestXY"_s); // a table that takes any value
        f.t.db.exec(u"CREATE TABLE GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle)"_s);
        f.t.db.exec(u"INSERT INTO GuestXY VALUES (1, 1, 2, '楷体', '12', '常规')"_s);
        f.t.db.exec(u"UPDATE GuestXY SET %1 = ?"_s.arg(column), {value});
        f.open();
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY2(f.t.messages.last().text.contains(what), qPrintable(f.t.messages.last().text));
        QVERIFY(f.t.messages.last().text.contains(u"婚宴"_s));
        QVERIFY(!f.button("Cmd_Print")->isEnabled() && !f.button("Cmd_NamePrint")->isEnabled());
    }

    void labelsAndNameAreDrawnInTheirFonts_data()
    {
        QTest::addColumn<QString>("nameSetting");
        QTest::addColumn<QString>("name");
        QTest::newRow("saved") << u"keyfont = '楷体', keyfontsize = '20.5', keyfontstyle = '常规'"_s
                               << u"宾客1 (60,90) 楷体 20 --"_s;
        QTest::newRow("never saved") << u"keyfont = NULL, keyfontsize = NULL, keyfontstyle = NULL"_s
                                     << u"宾客1 (60,90) 宋体 12 --"_s;
        QTest::newRow("font without size") << u"keyfont = '黑体', keyfontsize = NULL, keyfontstyle = '斜体'"_s
                                           << u"宾客1 (60,90) 宋体 12 --"_s;
    }

    // Catches a wrong style word table, bold/italic not inherited after an unknown or empty word,
    // sizes (the name's too) not rounded half to even, U+3000 trimmed along with ASCII spaces, and
    // a name drawn in the labels' style or, when its setting was never saved, in an undefined font.
    void labelsAndNameAreDrawnInTheirFonts()
    {
        QFETCH(QString, nameSetting);
        QFETCH(QString, name);
        const struct
        {
            const char *text, *font, *size, *style; // as saved; a null style word is NULL
            const char* drawn;
        } labels[] = {
            {"常规", "宋体", "12", "常规", "常规 (1,2) 宋体 12 --"},
            {"粗体", "黑体", "10.5", "粗体", "粗体 (1,2) 黑体 10 B-"},
            {"继承", "黑体", "11.5", "Bold", "继承 (1,2) 黑体 12 B-"},
            {"斜体", "楷体", "9", "斜体", "斜体 (1,2) 楷体 9 -I"},
            {"空词", "楷体", "9", "", "空词 (1,2) 楷体 9 -I"},
            {"粗斜体", "楷体", "14", "粗斜体", "粗斜体 (1,2) 楷体 14 BI"},
            {"  \u3000前后\u3000  ", "宋体", "12", " 常规", "\u3000前后\u3000 (1,2) 宋体 12 BI"},
            {"", "", "12", nullptr, " (1,2) 宋体 12 BI"}, // no font: 宋体
        };
        PrintFixture f(1);
        f.t.db.exec(u"UPDATE GuestXY SET "_s + nameSetting);
        QStringList expected;
        for (const auto& l : labels) {
            f.addLabel(l.text, l.font, l.size, l.style ? QVariant(l.style) : QVariant());
            expected << l.drawn;
        }
        f.open();
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.jobs.size(), 1);
        QStringList texts;
        for (const PrintedText& t : f.t.printer.jobs.first())
            texts << drawn(t);
        QCOMPARE(texts, expected << name);
        QCOMPARE(f.t.messages.count(), 0);
    }

    // Catches a wrong transition for either option in any state, a card printed by a click that
    // should only switch the state, and the style chooser open during a run.
    void everyTransitionOfTheRun()
    {
        const QMap<RunState, QString> captions{{RunState::Ready, u"开始打印(&P)"_s},
                                               {RunState::Running, u"暂停打印(&P)"_s},
                                               {RunState::Paused, u"继续打印(&P)"_s},
                                               {RunState::Stepping, u"打印下一份(&P)"_s},
                                               {RunState::Finished, u"开始打印(&P)"_s}};
        // A: click with O_All, O: click with O_One, T: a tick of Timer_Print, R: reload, -: nothing.
        const struct
        {
            char action;
            RunState state;
            int cards; // as L_OK shows
        } steps[] = {
            {'-', RunState::Ready, 0},   {'A', RunState::Running, 0},  {'O', RunState::Running, 0},
            {'T', RunState::Running, 1}, {'A', RunState::Paused, 1},   {'O', RunState::Paused, 1},
            {'A', RunState::Running, 1}, {'T', RunState::Running, 2},  {'A', RunState::Paused, 2},
            {'R', RunState::Ready, 0},   {'O', RunState::Stepping, 1}, {'O', RunState::Stepping, 2},
            {'A', RunState::Paused, 2},  {'A', RunState::Running, 2},  {'T', RunState::Running, 3},
            {'T', RunState::Running, 4}, {'T', RunState::Finished, 5},
        };
        PrintFixture f(5);
        f.addLabel();
        f.open();
        f.timer("Timer_Print")->setInterval(3600 * 1000); // only the test's ticks print
        for (const auto& step : steps) {
            if (step.action == 'R')
                f.reload();
            else if (step.action == 'T')
                f.tick();
            else if (step.action != '-') {
                step.action == 'A' ? f.selectAll() : f.selectOne();
                f.clickPrint();
            }
            const QByteArray where = "step " + QByteArray::number(int(&step - steps));
            QVERIFY2(f.state() == step.state, where);
            QVERIFY2(f.caption() == captions[step.state], where);
            QVERIFY2(f.timer("Timer_Print")->isActive() == (step.state == RunState::Running), where);
            QVERIFY2(f.text("L_OK") == QString::number(step.cards), where);
            const bool idle = step.state == RunState::Ready || step.state == RunState::Finished;
            QVERIFY2(f.button("Cmd_QJList")->isEnabled() == idle || step.action == 'R', where);
            QVERIFY2(f.button("Cmd_Print")->isEnabled() == (step.state != RunState::Finished), where);
        }
        QCOMPARE(f.t.printer.printedNames(),
                 QStringList({"宾客1", "宾客2", "宾客1", "宾客2", "宾客3", "宾客4", "宾客5"}));
        QCOMPARE(f.text("L_state"), u"打印已全部完成！"_s);
        QCOMPARE(f.t.messages.count(), 0); // ordinary names: the character check asks nothing
    }

    // Catches names not printed as stored, a run that does not end at the last guest, and a card
    // or a crash when the cursor runs past the end of a shrunk list before the counter reaches
    // the guest count.
    void theOneCardModeEndsAtTheLastGuestOrPastTheEnd()
    {
        for (const bool listShrinks : {false, true}) {
            PrintFixture f(3);
            f.t.db.exec(u"UPDATE Guests SET Name = ' 宾客2 ' WHERE Name = '宾客2'"_s);
            f.addLabel();
            f.open();
            f.selectOne();
            f.clickPrint();
            if (listShrinks)
                f.t.db.exec(u"DELETE FROM Guests WHERE Name = '宾客3'"_s);
            f.clickPrint();
            f.clickPrint();
            const QStringList names = QStringList({"宾客1", " 宾客2 ", "宾客3"}).mid(0, listShrinks ? 2 : 3);
            QCOMPARE(f.t.printer.printedNames(), names);
            QVERIFY(f.t.printer.openDocument.isEmpty());
            QCOMPARE(f.text("L_OK"), QString::number(names.size()));
            QCOMPARE(f.state(), RunState::Finished);
        }
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
        f.timer("Timer_Print")->setInterval(3600 * 1000);
        if (oneCard)
            f.selectOne();
        const auto advanceUntil = [&](const std::function<bool()>& done) {
            for (int i = 0; i < 12 && !done(); ++i)
                oneCard || f.state() != RunState::Running ? f.clickPrint() : f.tick();
        };
        f.t.printer.refuseJob = 2;
        advanceUntil([&] { return f.t.messages.count() == 1; });
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.caption(), u"继续打印(&P)"_s);
        QVERIFY(!f.timer("Timer_Print")->isActive());
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1"}));
        QCOMPARE(f.text("L_OK"), u"1"_s);
        QCOMPARE(f.window->guestCursor().name, u"宾客2"_s);
        QVERIFY(f.t.messages.last().text.contains(u"拒绝"_s));

        f.t.printer.offline = true; // the next try cannot even begin
        advanceUntil([&] { return f.t.messages.count() == 2; });
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.text("L_OK"), u"1"_s);

        f.t.printer.offline = false;
        advanceUntil([&] { return f.state() == RunState::Finished; });
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2", "宾客3", "宾客4", "宾客5"}));
        QCOMPARE(f.text("L_OK"), u"5"_s);
        QCOMPARE(f.t.messages.count(), 2);
    }

    void unusableLabelsPauseWithoutACard_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said");
        QTest::newRow("labels removed") << u"DELETE FROM Main"_s << u"没有任何标签"_s;
        QTest::newRow("size not a number") << u"UPDATE Main SET KeyFontSize = '大'"_s << u"字号“大”"_s;
    }

    // Catches an empty or half-drawn card when the labels changed after the load, and a run that
    // does not pause; the style chooser opens again so they can be mended.
    void unusableLabelsPauseWithoutACard()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        PrintFixture f(2);
        f.addLabel();
        f.open();
        f.t.db.exec(change);
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.begun, 0);
        QCOMPARE(f.state(), RunState::Paused);
        QCOMPARE(f.window->guestCursor().name, u"宾客1"_s);
        QCOMPARE(f.t.messages.count(), 1);
        QVERIFY2(f.t.messages.last().text.contains(said), qPrintable(f.t.messages.last().text));
        QVERIFY(f.button("Cmd_QJList")->isEnabled());
    }

    // Catches a run that prints before asking, goes on after No or asks again at every card;
    // private-use and unassigned characters are named, characters a fallback font has are not.
    void runAsksAboutCharactersNoFontDraws()
    {
        PrintFixture f(0);
        f.t.db.exec(
            u"INSERT INTO Guests (ListID, Name) VALUES (1, '张三'), (1, '李\uE000'), (1, '周\u2603'), "
            "(1, '刘\u0378'), (1, '王\U000F0001')"_s);
        f.addLabel(u"敬邀\uE001"_s);
        f.open();
        f.selectOne();
        f.clickPrint(); // answered No
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().kind, ShownMessage::Kind::Question);
        const QString question = f.t.messages.last().text;
        for (const QString& named : {u"宾客“李\uE000”：“\uE000”(U+E000)"_s,
                                     u"标签“标签1”：“\uE001”(U+E001)"_s, u"(U+0378)"_s, u"(U+F0001)"_s})
            QVERIFY2(question.contains(named), qPrintable(question));
        QVERIFY(!question.contains(u"张三"_s) && !question.contains(u"周"_s));
        QCOMPARE(f.t.printer.begun, 0);
        QCOMPARE(f.state(), RunState::Ready);

        f.t.messages.setNextAnswer(true);
        for (int i = 0; i < 3; ++i)
            f.clickPrint();
        QCOMPARE(f.t.printer.jobs.size(), 3);
        QCOMPARE(f.t.messages.count(), 2);
    }

    void theSearchTakesTheTextLiterally_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("several") << u"张"_s << QStringList({"张三", "张%四", "张_五", "王张六"});
        QTest::newRow("percent") << u"%"_s << QStringList({"张%四"});
        QTest::newRow("underscore") << u"_"_s << QStringList({"张_五"});
        QTest::newRow("quote, either case") << u"o'neil"_s << QStringList({"O'Neil"});
        QTest::newRow("backslash") << u"\\"_s << QStringList({"a\\b"});
    }

    // Catches ', % and _ taken as SQL or as wildcards, and guests of other styles listed.
    void theSearchTakesTheTextLiterally()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        PrintFixture f(0);
        for (const char* name : {"张三", "张%四", "张_五", "O'Neil", "王张六", "李四", "a\\b", "ab"})
            f.t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, ?)"_s, {QString::fromUtf8(name)});
        f.t.db.addStyle(2, u"别的样式"_s, 0, 0);
        f.t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (2, '张七')"_s);
        f.t.choose(1, u"婚宴"_s);
        const QString before = f.t.db.snapshot();
        w_NameList list(f.t.session, nullptr);
        const QAbstractItemModel* shown = search(list, f, text)->model();
        QStringList names;
        for (int row = 0; row < shown->rowCount(); ++row)
            names << shown->index(row, 0).data().toString();
        QCOMPARE(names, found);
        QCOMPARE(f.t.messages.count(), 0);
        QCOMPARE(f.t.db.snapshot(), before);
    }

    // Catches an empty name accepted, a missing not-found message, and no second chance to type.
    void nobodyFoundAsksForTheNameAgain()
    {
        PrintFixture f(2);
        f.addLabel();
        f.open();
        bool askedAgain = false;
        onNextQuestion([&](w_NamePrint* first) {
            auto* name = first->findChild<QLineEdit*>(u"T_Name"_s);
            name->setText(u"   "_s);
            click(first, "Cmd_OK");
            name->setText(u"  无此人 "_s);
            click(first, "Cmd_OK");
            onNextQuestion([&](w_NamePrint* second) {
                askedAgain = second->findChild<QLineEdit*>(u"T_Name"_s)->text().isEmpty();
                click(second, "Cmd_Close");
            });
        });
        click(f.window.get(), "Cmd_NamePrint");
        QVERIFY(askedAgain);
        QCOMPARE(f.t.messages.count(), 2);
        QVERIFY(f.t.messages.shown().at(0).text.startsWith(u"请输入你需要打印的宾客的姓名"_s));
        QVERIFY(f.t.messages.shown().at(1).text.contains(u"没有找到与“无此人”相关的宾客"_s));
        QVERIFY(!f.t.state.PrintNamedGuest);
        QCOMPARE(f.text("L_Guests"), u"2"_s);
    }

    // Catches the wrong guest picked (OK takes the first listed, a double-click its row, trimmed)
    // and a named-guest card that does not end the run or leaves the flag set.
    void pickingAGuestPrintsOneCardAndEndsTheRun()
    {
        PrintFixture f(3);
        f.addLabel();
        f.t.db.exec(u"UPDATE Guests SET Name = ' 宾客3 ' WHERE Name = '宾客3'"_s);
        f.open();
        {
            w_NameList list(f.t.session, f.window.get());
            search(list, f, u"宾客"_s);
            click(&list, "Cmd_OK");
            QCOMPARE(f.t.state.NamedGuest, u"宾客1"_s);
        }
        w_NameList list(f.t.session, f.window.get());
        QTableView* view = search(list, f, u"宾客"_s);
        const QPoint cell = view->visualRect(view->model()->index(2, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(f.t.state.NamedGuest, u"宾客3"_s);
        QVERIFY(f.t.state.PrintNamedGuest);
        QCOMPARE(f.text("L_Guests"), u"1"_s);

        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客3"}));
        QCOMPARE(f.state(), w_Main::RunState::Finished);
        QVERIFY(!f.t.state.PrintNamedGuest);
    }
};

QTEST_MAIN(tst_printrun)
#include "tst_printrun.moc"
