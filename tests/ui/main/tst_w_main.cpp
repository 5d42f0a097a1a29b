// The main window over the print run: its controls show the run and forward clicks, a style picked
// in the chooser and then cancelled never mixes into the loaded style's cards, and the named-guest
// windows (the literal search, asking for the name and picking the guest).
#include "core/app/Startup.h"
#include "core/printing/PrintRun.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/guests/w_AddGuest.h"
#include "ui/main/w_Main.h"
#include "ui/main/w_NameList.h"
#include "ui/main/w_NamePrint.h"
#include "ui/styles/w_QJList.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A main window on styles 1 "婚宴" (labels 婚宴标签, guests 宾客1...) and 2 "寿宴" (寿宴标签,
// 寿宴宾客1...), loaded on style 1.
struct MainFixture
{
    explicit MainFixture(int guests = 3)
    {
        t.db.addStyle(1, u"婚宴"_s, 1, guests);
        t.db.addStyle(2, u"寿宴"_s, 1, guests);
        t.db.exec(u"UPDATE Main SET KeyValue = CASE ListID WHEN 1 THEN '婚宴标签' ELSE '寿宴标签' END"_s);
        t.db.exec(u"UPDATE Guests SET Name = '寿宴' || Name WHERE ListID = 2"_s);
        window = std::make_unique<w_Main>(t.session);
        window->show();
        t.choose(1, u"婚宴"_s);
        reload();
    }

    void reload()
    {
        window->requestReload();
        waitFor(*window, "Timer_Load");
    }

    QAbstractButton* button(const char* name) { return child<QAbstractButton>(*window, name); }
    QString text(const char* name) { return labelText(*window, name); }
    void selectOne() { child<QRadioButton>(*window, "O_One")->click(); }
    void clickPrint() { click(*window, "Cmd_Print"); }

    TestSession t;
    std::unique_ptr<w_Main> window;
};

// Shows the search result of `list` and returns the grid.
QTableView* searched(w_NameList& list)
{
    list.show();
    waitFor(list, "Timer1");
    return child<QTableView>(list, "DG_Edit");
}

} // namespace

class tst_w_main : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches a control that does not follow the run: the caption, the counters, the print button and
    // the style chooser, and 指定打印 usable while a run is going (a named card would end the run with
    // guests never printed); a window that quits at once during a run (退出 while paused, the title
    // bar or Alt+F4, which all close the window), or asks when no run is going; and a switch of
    // option during a run that costs a press doing nothing.
    void theControlsFollowTheRunAndClosingAsksFirst()
    {
        MainFixture f(3);
        QCOMPARE(f.text("L_ListName") + f.text("L_Guests"), u"婚宴3"_s);
        QVERIFY2(f.text("L_Printer").startsWith(u"打印机："_s), qPrintable(f.text("L_Printer")));
        QVERIFY(f.button("Cmd_Print")->isEnabled() && f.button("Cmd_NamePrint")->isEnabled());
        QVERIFY(f.window->close()); // nothing going on: no question
        QCOMPARE(f.t.messages.count(), 0);
        f.window->show();

        child<QTimer>(*f.window, "Timer_Print")->setInterval(3600 * 1000);
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.button("Cmd_Print")->text(), u"打印下一份(&P)"_s);
        QCOMPARE(f.text("L_OK"), u"1"_s);
        QVERIFY(!f.button("Cmd_NamePrint")->isEnabled());
        child<QRadioButton>(*f.window, "O_All")->click();
        f.clickPrint(); // one press: the run goes on automatically
        QCOMPARE(f.button("Cmd_Print")->text(), u"暂停打印(&P)"_s);
        QVERIFY(!f.button("Cmd_NamePrint")->isEnabled() && !f.button("Cmd_QJList")->isEnabled());
        f.clickPrint();
        QCOMPARE(f.text("L_state"), u"打印已暂停，还剩 2 张没有打印。"_s);
        QVERIFY(!f.button("Cmd_NamePrint")->isEnabled());

        click(*f.window, "Cmd_Close"); // answered No
        QVERIFY(f.window->isVisible());
        QVERIFY(f.t.messages.last().text.startsWith(u"正在打印……确定要退出吗？"_s));
        QVERIFY(!f.window->close());
        QCOMPARE(f.t.messages.count(), 2);
        QCOMPARE(f.button("Cmd_Print")->text(), u"继续打印(&P)"_s);
        f.t.messages.setNextAnswer(true);
        click(*f.window, "Cmd_Close");
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1"}));
    }

    // Catches a card with one style's labels and another style's guest. The pause after unusable
    // labels sends the user to the chooser to mend them; a pick there followed by "取消" must leave
    // the loaded style current, and the run goes on with it where it stopped.
    void cancellingTheChooserKeepsTheLoadedStyle()
    {
        MainFixture f(3);
        f.selectOne();
        f.clickPrint();
        f.t.db.exec(u"UPDATE Main SET KeyFontSize = '大' WHERE ListID = 1"_s);
        f.clickPrint(); // pauses: the chooser opens up so the label can be mended
        QVERIFY(f.button("Cmd_QJList")->isEnabled());
        onNextModal<w_QJList>([&f](w_QJList& chooser) {
            auto* styles = child<QComboBox>(chooser, "Combo_QJList");
            QVERIFY(QTest::qWaitFor([&] { return styles->count() == 2; }));
            styles->setCurrentIndex(styles->findText(u"寿宴"_s));
            QCOMPARE(f.t.state.CurrentListID, qint16(2)); // a pick takes effect at once
            f.t.db.exec(u"UPDATE Main SET KeyFontSize = '12' WHERE ListID = 1"_s); // mended
            click(chooser, "Cmd_Close");
        });
        click(*f.window, "Cmd_QJList");
        QCOMPARE(f.t.state.CurrentListID, qint16(1));
        QCOMPARE(f.t.state.CurrentListName, u"婚宴"_s);
        QCOMPARE(f.text("L_ListName") + f.text("L_Guests"), u"婚宴3"_s);
        f.clickPrint();
        QCOMPARE(f.t.printer.jobs.size(), 2);
        QCOMPARE(f.t.printer.jobs.last().first().text, u"婚宴标签"_s);
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客1", "宾客2"}));
    }

    // Catches ', % and _ taken as SQL or as wildcards, and guests of other styles listed.
    void theSearchTakesTheTextLiterally()
    {
        TestSession t;
        t.db.addStyle(1, u"婚宴"_s, 0, 0);
        for (const char* name : {"张三", "张%四", "张_五", "O'Neil", "王张六", "李四", "a\\b", "ab"})
            t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, ?)"_s, {QString::fromUtf8(name)});
        t.db.addStyle(2, u"别的样式"_s, 0, 0);
        t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (2, '张七')"_s);
        const QString before = t.db.snapshot();
        // The text searched for, then what is found; o'neil: a quote, and ASCII letters in either case.
        const QStringList searches[] = {
            {"张", "张三", "张%四", "张_五", "王张六"}, {"_", "张_五"}, {"o'neil", "O'Neil"}, {"\\", "a\\b"}};
        for (const QStringList& search : searches) {
            w_NameList list(t.session, 1, u"婚宴"_s, search.first());
            const QAbstractItemModel* shown = searched(list)->model();
            QStringList names;
            for (int row = 0; row < shown->rowCount(); ++row)
                names << shown->index(row, 0).data().toString();
            QCOMPARE(names, search.mid(1));
        }
        QCOMPARE(t.messages.count(), 0);
        QCOMPARE(t.db.snapshot(), before);
    }

    // Catches an empty name accepted, a missing not-found message, no second chance to type, the wrong
    // guest picked (OK takes the first listed, a double-click its row, trimmed) and a named-guest card
    // that does not reach the run (its card and fields are the print run's core test).
    void namingAGuestPreparesItsCard()
    {
        MainFixture f(3);
        f.t.db.exec(u"UPDATE Guests SET Name = ' 宾客3 ' WHERE Name = '宾客3'"_s);
        f.reload();
        QStringList chosen;
        {
            w_NameList list(f.t.session, 1, u"婚宴"_s, u"宾客"_s);
            QObject::connect(&list, &w_NameList::guestChosen,
                             [&](qint64, const GuestFields& guest) { chosen << guest.name; });
            searched(list);
            click(list, "Cmd_OK");
        }
        QCOMPARE(chosen, QStringList({"宾客1"}));

        bool askedAgain = false;
        onNextModal<w_NamePrint>([&](w_NamePrint& first) {
            auto* name = child<QLineEdit>(first, "T_Name");
            name->setText(u"   "_s);
            click(first, "Cmd_OK");
            name->setText(u"  无此人 "_s);
            onNextModal<w_NamePrint>([&](w_NamePrint& second) {
                askedAgain = child<QLineEdit>(second, "T_Name")->text().isEmpty();
                child<QLineEdit>(second, "T_Name")->setText(u"宾客"_s);
                onNextModal<w_NameList>([](w_NameList& list) {
                    QTableView* view = searched(list);
                    const QPoint cell = view->visualRect(view->model()->index(2, 0)).center();
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
                    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
                });
                click(second, "Cmd_OK");
            });
            click(first, "Cmd_OK");
        });
        click(*f.window, "Cmd_NamePrint");
        QVERIFY(askedAgain);
        QCOMPARE(f.t.messages.count(), 2);
        QVERIFY(f.t.messages.shown().at(0).text.startsWith(u"请输入你需要打印的宾客的姓名"_s));
        QVERIFY(f.t.messages.shown().at(1).text.contains(
            u"在“婚宴”请柬样式对应的宾客列表里没有找到与“无此人”"_s));
        QCOMPARE(f.text("L_Guests"), u"1"_s);
        QCOMPARE(f.text("L_state"), u"即将单独打印的请柬宾客为:  宾客3"_s);
    }

    // Catches a status that does not show the record, and a failed card offered for printing again
    // when there is none, or printed with others.
    void theRecordIsShownAndResumedThroughTheWindow()
    {
        MainFixture f(4);
        QVERIFY(child(*f.window, "Cmd_PrintFailed")->isHidden());
        f.t.db.exec(u"INSERT INTO PrintRecord (ListID, GuestID, State, SentAt) VALUES (1, 1, '已打印', ''), "
                    "(1, 2, '失败', '')"_s);
        f.reload();
        QCOMPARE(f.text("L_state"),
                 u"已打印 1 / 4，1 张请柬没有打印成功。请选择打印方式，然后点击“开始打印”。"_s);
        QVERIFY(!child(*f.window, "Cmd_PrintFailed")->isHidden());
        f.selectOne();
        click(*f.window, "Cmd_PrintFailed");
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客2"}));
        QVERIFY(child(*f.window, "Cmd_PrintFailed")->isHidden());
        QCOMPARE(f.t.messages.count(), 0);
    }

    // Catches chosen guests that do not reach the main window's run (or reach it through a window
    // calling its opener), printed in another order, another style or another option, and controls
    // not given back once the run is through.
    void guestsChosenInTheGuestListArePrinted()
    {
        MainFixture f(3);
        f.selectOne();
        onNextModal<w_QJList>([](w_QJList& chooser) {
            auto* styles = child<QComboBox>(chooser, "Combo_QJList");
            QVERIFY(QTest::qWaitFor([&] { return styles->count() == 2; }));
            styles->setCurrentIndex(styles->findText(u"寿宴"_s));
            onNextModal<w_AddGuest>([](w_AddGuest& guests) {
                waitFor(guests, "Timer1");
                auto* grid = child<QTableView>(guests, "DG_Edit");
                QHeaderView* rows = grid->verticalHeader();
                for (const int row : {2, 0}) {
                    const int y = rows->sectionViewportPosition(row) + rows->sectionSize(row) / 2;
                    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                      QPoint(rows->width() / 2, y));
                }
                click(guests, "Cmd_PrintSelected");
            });
            click(chooser, "Cmd_Guests");
        });
        click(*f.window, "Cmd_QJList");
        QCOMPARE(f.text("L_ListName"), u"寿宴"_s);
        QCOMPARE(f.text("L_Guests"), u"2"_s);
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"寿宴宾客1", "寿宴宾客3"}));
        QCOMPARE(f.text("L_state"), u"打印已全部完成！"_s);
        QCOMPARE(f.button("Cmd_Print")->text(), u"开始打印(&P)"_s);
        QVERIFY(f.button("Cmd_NamePrint")->isEnabled() && f.button("Cmd_QJList")->isEnabled());
    }
};

QTEST_MAIN(tst_w_main)
#include "tst_w_main.moc"
