// The style chooser and the new-style window over the main window, driven through their controls.
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/main/w_Main.h"
#include "ui/styles/w_AddList.h"
#include "ui/styles/w_QJList.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Which of OK, Edit, Delete and Guests are enabled, as "1111" for all.
QString styleButtons(w_QJList& w)
{
    QString enabled;
    for (const char* name : {"Cmd_OK", "Cmd_Edit", "Cmd_DEL", "Cmd_Guests"})
        enabled += child(w, name)->isEnabled() ? u'1' : u'0';
    return enabled;
}

// Waits for the chooser's list and picks `name` the way a user does: with the arrow keys.
void openAndPick(w_QJList& chooser, const QString& name)
{
    chooser.show();
    waitFor(chooser, "Timer_LoadList");
    QCOMPARE(styleButtons(chooser), u"0000"_s); // nothing picked yet
    auto* list = child<QComboBox>(chooser, "Combo_QJList");
    list->setFocus();
    for (int i = 0; i <= list->count() && list->currentText() != name; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), name);
}

// The entries of the new-style window's list of existing styles, once loaded.
QStringList listed(w_AddList& w)
{
    waitFor(w, "Timer_List");
    QStringList entries;
    for (int i = 0; i < child<QListWidget>(w, "List_QJList")->count(); ++i)
        entries << child<QListWidget>(w, "List_QJList")->item(i)->text();
    return entries;
}

// Enters a style number and name in the new-style window `w` and presses OK.
void enter(QWidget& w, const QString& number, const QString& name)
{
    child<QLineEdit>(w, "T_ListID")->setText(number);
    child<QLineEdit>(w, "T_ListName")->setText(name);
    click(w, "Cmd_OK");
}

// Opens the style chooser from the main window's button and hands it to `act`, which closes it.
void throughChooser(w_Main& m, std::function<void(w_QJList&)> act)
{
    onNextModal<w_QJList>(act);
    click(m, "Cmd_QJList");
}

// The object name of the modal window that `button` opened (closed again at once), or nothing.
QString opens(QWidget& from, const char* button)
{
    QString shown;
    QTimer poll; // dies with this call, so it cannot act on a later window
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &from) {
            shown = modal->objectName();
            poll.stop();
            modal->close();
        }
    });
    poll.start(20);
    click(from, button);
    return shown;
}

// A main window shown and loaded on the current style.
void showLoaded(w_Main& m)
{
    m.show();
    waitFor(m, "Timer_Load");
}

} // namespace

class tst_style_windows : public QObject
{
    Q_OBJECT

private slots:
    // Catches a button wired to the wrong window or to none (each opens its window modally), the main
    // window still showing the old guest count after the guest window, opened from the chooser, has
    // closed, a pick that does not enable the style's buttons, and OK not reloading the main window.
    // (Cancel after a pick is the main window's test.)
    void buttonsOpenTheirWindowsAndOkReloads()
    {
        TestSession t;
        t.db.addStyle(5, u"五"_s, 2, 3);
        t.db.addStyle(8, u"婚宴"_s, 1, 7);
        t.choose(5, u"五"_s);
        w_Main m(t.session);
        showLoaded(m);
        QCOMPARE(opens(m, "Cmd_About"), u"w_About"_s);
        QCOMPARE(opens(m, "Cmd_Help"), u"w_Help"_s);
        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, u"五"_s);
            QCOMPARE(opens(chooser, "Cmd_Edit"), u"w_PRNSet"_s);
            t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (5, '新甲'), (5, '新乙')"_s);
            QCOMPARE(opens(chooser, "Cmd_Guests"), u"w_AddGuest"_s);
            QTRY_COMPARE(labelText(m, "L_Guests"), u"5"_s);
            click(chooser, "Cmd_Close");
        });
        QCOMPARE(labelText(m, "L_ListName") + labelText(m, "L_Guests"), u"五5"_s);

        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, u"婚宴"_s);
            QCOMPARE(styleButtons(chooser), u"1111"_s);
            click(chooser, "Cmd_OK");
        });
        QTRY_COMPARE(labelText(m, "L_ListName") + labelText(m, "L_Guests"), u"婚宴7"_s);
        QVERIFY(child(m, "Cmd_Print")->isEnabled());
    }

    void deletion_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("locked"); // another program holds the file
        QTest::newRow("answered No") << u"一"_s << 2 << 3 << false << false;
        QTest::newRow("file locked") << u"一"_s << 2 << 3 << true << true;
        QTest::newRow("with labels and guests") << u"婚宴"_s << 4 << 6 << true << false;
    }

    // Catches a style not deleted, another style's guests taken, a deletion after No,
    // a failed deletion that changed something or was reported as done, and the chooser or the main
    // window still showing a deleted style.
    void deletion()
    {
        QFETCH(QString, name);
        QFETCH(int, labels);
        QFETCH(int, guests);
        QFETCH(bool, yes);
        QFETCH(bool, locked);
        TestSession t;
        t.db.addStyle(5, name, labels, guests);
        t.db.addStyle(6, u"O'B\"%X"_s, 3, 4);
        t.choose(5, name);
        w_Main m(t.session);
        showLoaded(m);
        const QString before = t.db.snapshot();

        QString buttonsAfter;
        int listedAfter = 0;
        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, name);
            t.messages.setNextAnswer(yes);
            if (locked)
                t.db.exec(u"BEGIN EXCLUSIVE"_s);
            click(chooser, "Cmd_DEL");
            if (locked)
                t.db.exec(u"ROLLBACK"_s);
            waitFor(chooser, "Timer_LoadList");
            waitFor(m, "Timer_Load");
            buttonsAfter = styleButtons(chooser);
            listedAfter = child<QComboBox>(chooser, "Combo_QJList")->count();
            click(chooser, "Cmd_Close");
        });
        waitFor(m, "Timer_Load");
        QVERIFY(t.messages.shown().at(0).text.contains(u"“ %1 ”"_s.arg(name)));
        if (!yes || locked) {
            QCOMPARE(t.db.snapshot(), before);
            QCOMPARE(t.messages.count(), locked ? 2 : 1);
            QCOMPARE(t.messages.last().text.contains(u"正被其他程序使用"_s), locked);
            QCOMPARE(t.state.CurrentListID, qint16(5));
            QCOMPARE(labelText(m, "L_ListName") + labelText(m, "L_Guests"), name + QString::number(guests));
            QCOMPARE(buttonsAfter, u"1111"_s);
            return;
        }
        QCOMPARE(t.db.rowsOf(u"Lists"_s, 5) + t.db.rowsOf(u"Guests"_s, 6), 4); // the rest is the store's test
        QCOMPARE(t.state.CurrentListID, qint16(0));
        QCOMPARE(t.messages.count(), 1);
        // The list comes back without the style and with nothing picked; the main window shows no style.
        QCOMPARE(listedAfter, 1);
        QCOMPARE(buttonsAfter, u"0000"_s);
        QCOMPARE(labelText(m, "L_ListName") + labelText(m, "L_Guests"), u"0"_s);
        QVERIFY(!child(m, "Cmd_Print")->isEnabled());
    }

    void newStyleRefusals_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // title: text

        const QString empty = u"提醒: 请输入新样式编号与新样式名称。"_s;
        const QString digits = u"关键性错误: 样式编号只能是数字，请检查后重新输入。"_s;
        const QString taken = u"提醒: 已存在相同的样式编号或样式名称。"_s;
        const QString fresh = u"新样式"_s;
        QTest::newRow("no number") << "" << fresh << empty;
        QTest::newRow("name of blanks") << "5" << u"   "_s << empty;
        QTest::newRow("minus") << "-1" << fresh << digits;
        QTest::newRow("full-width digits") << "１２" << fresh << digits;
        QTest::newRow("zeros") << "000" << fresh << u"提醒: 样式编号不能为 0，请重新输入。"_s;
        QTest::newRow("007 is 7") << "007" << fresh << taken;
        QTest::newRow("name in another case") << "8" << u"wedding"_s << taken;
        QTest::newRow("name with blanks") << "8" << u"婚 宴"_s << taken;
    }

    // Catches a check missing or out of order (a bad number is refused before the name is looked at),
    // a style stored in spite of a refusal, and the typed values lost.
    void newStyleRefusals()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestSession t;
        t.db.addStyle(7, u"Wedding"_s);
        t.db.addStyle(3, u"婚宴"_s);
        const QString before = t.db.snapshot();
        w_AddList w(t.session);
        w.show();
        enter(w, number, name);
        QCOMPARE(t.messages.count(), 1);
        const ShownMessage& shown = t.messages.last();
        QCOMPARE(shown.title + ": " + shown.text, message);
        QCOMPARE(shown.kind == ShownMessage::Kind::Critical, message.startsWith(u"关键性错误"_s));
        QCOMPARE(t.db.snapshot(), before);
        QVERIFY(w.isVisible());
        QCOMPARE(child<QLineEdit>(w, "T_ListID")->text() + "|" + child<QLineEdit>(w, "T_ListName")->text(),
                 number + "|" + name);
        if (shown.kind == ShownMessage::Kind::Critical) { // the number is picked for retyping
            QTRY_COMPARE(QApplication::focusWidget(), child(w, "T_ListID"));
            QCOMPARE(child<QLineEdit>(w, "T_ListID")->selectedText(), number);
        }
    }

    // Catches blanks kept in the number or name, quotes and wildcards not stored as typed, a style
    // without its guest-name row, No changing the current style, and a list not refreshed afterwards.
    void newStyleAnsweredNo()
    {
        TestSession t;
        t.db.addStyle(3, u"寿宴"_s);
        t.db.addStyle(20, u"满月"_s);
        t.db.addStyle(6, u"O'B%X"_s);
        t.choose(3, u"寿宴"_s);
        w_AddList w(t.session);
        w.show();
        QCOMPARE(listed(w), (QStringList{"3    寿宴", "6    O'B%X", "20    满月"}));

        enter(w, u"1 2"_s, u" O'B %_ 请柬 "_s);
        QCOMPARE(t.messages.shown().at(0).text, u"新样式已保存！现在就添加请柬上的标签吗？"_s);
        QCOMPARE(t.messages.last().text, u"新样式在没有设置其样式标签前是无效的，请尽快设置。"_s);
        QCOMPARE(t.db.scalar(u"SELECT ListName FROM Lists WHERE ListID = 12"_s).toString(), u"O'B%_请柬"_s);
        QCOMPARE(t.db.rowsOf(u"GuestXY"_s, 12), 1);
        QCOMPARE(t.state.CurrentListID, qint16(3));
        QVERIFY(w.isVisible());
        QCOMPARE(child<QLineEdit>(w, "T_ListID")->text() + child<QLineEdit>(w, "T_ListName")->text(),
                 QString());
        QTRY_COMPARE(QApplication::focusWidget(), child(w, "T_ListID"));
        QCOMPARE(listed(w), (QStringList{"3    寿宴", "6    O'B%X", "12    O'B%_请柬", "20    满月"}));
    }

    // Catches the new-style window opening over the chooser that has already gone, Yes not making the
    // new style current before the label window opens on it in place of this window, and the main
    // window still offering the old style's guests under the new style's name.
    void newStyleFromTheChooserAnsweredYes()
    {
        TestSession t;
        t.db.addStyle(3, u"寿宴"_s, 2, 4);
        t.choose(3, u"寿宴"_s);
        w_Main m(t.session);
        m.show();
        QTRY_COMPARE(labelText(m, "L_Guests"), u"4"_s);

        QWidget *addListParent = nullptr, *labelsParent = nullptr;
        bool chooserGone = false, addListHidden = false;
        QString labelsOn;
        onNextModal<w_AddList>([&](w_AddList& addList) {
            addListParent = addList.parentWidget();
            chooserGone = m.findChild<w_QJList*>() == nullptr;
            onNextModal<QWidget>(
                [&, addListShown = &addList](QWidget& labels) {
                    labelsOn = t.state.CurrentListName;
                    labelsParent = labels.parentWidget();
                    addListHidden = !addListShown->isVisible();
                    labels.close();
                },
                "w_PRNSet");
            t.messages.setNextAnswer(true);
            enter(addList, u"007"_s, u"生日"_s);
        });
        throughChooser(m, [](w_QJList& chooser) { click(chooser, "Cmd_New"); });
        QTRY_COMPARE(labelsParent, static_cast<QWidget*>(&m));
        QCOMPARE(addListParent, static_cast<QWidget*>(&m));
        QVERIFY(chooserGone && addListHidden);
        QCOMPARE(labelsOn, u"生日"_s);
        QCOMPARE(t.state.CurrentListID, qint16(7));
        QTRY_COMPARE(labelText(m, "L_ListName"), u"生日"_s);
        QVERIFY(!child(m, "Cmd_Print")->isEnabled());
    }
};

QTEST_MAIN(tst_style_windows)
#include "tst_style_windows.moc"
