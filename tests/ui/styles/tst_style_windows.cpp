// The style chooser and the new-style window over the main window, driven through their controls.
#include "support/TestSession.h"
#include "ui/main/w_Main.h"
#include "ui/styles/w_AddList.h"
#include "ui/styles/w_QJList.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

template <typename T = QWidget> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}

QString text(QWidget& w, const char* label)
{
    return child<QLabel>(w, label)->text();
}

void waitFor(QObject& window, const char* timer)
{
    QTRY_VERIFY(!window.findChild<QTimer*>(QLatin1String(timer))->isActive());
}

// Which of OK, Edit, Delete and Guests are enabled, as "1111" for all.
QString styleButtons(w_QJList& w)
{
    QString enabled;
    for (const char* name : {"Cmd_OK", "Cmd_Edit", "Cmd_DEL", "Cmd_Guests"})
        enabled += child(w, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return enabled;
}

// Waits for the chooser's list and picks `name` the way a user does: with the arrow keys.
void openAndPick(w_QJList& chooser, const QString& name)
{
    chooser.show();
    waitFor(chooser, "Timer_LoadList");
    QCOMPARE(styleButtons(chooser), QStringLiteral("0000")); // nothing picked yet
    auto* list = child<QComboBox>(chooser, "Combo_QJList");
    list->setFocus();
    for (int i = 0; i <= list->count() && list->currentText() != name; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), name);
}

// The entries of the new-style window's list of existing styles, once loaded.
QStringList listed(w_AddList& w)
{
    (void)QTest::qWaitFor([&] { return !child<QTimer>(w, "Timer_List")->isActive(); });
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
    QTest::mouseClick(child<QPushButton>(w, "Cmd_OK"), Qt::LeftButton);
}

// Hands the modal window `name` to `act` as soon as it shows; `act` closes it.
void whenModalShown(const QString& name, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->objectName() == name) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(20);
}

// Opens the style chooser from the main window's button and hands it to `act`, which closes it.
void throughChooser(w_Main& m, std::function<void(w_QJList&)> act)
{
    whenModalShown(QStringLiteral("w_QJList"),
                   [act](QWidget* chooser) { act(*qobject_cast<w_QJList*>(chooser)); });
    QTest::mouseClick(child<QPushButton>(m, "Cmd_QJList"), Qt::LeftButton);
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
    // Catches a pick that does not change the current style at once, Cancel leaving another style
    // current than the one the main window prints, and OK not reloading the main window.
    void choosingThenCancelOrOk()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("寿宴"), 2, 5);
        t.db.addStyle(8, QStringLiteral("婚宴"), 1, 7);
        t.choose(3, QStringLiteral("寿宴"));
        w_Main m(t.session);
        showLoaded(m);
        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, QStringLiteral("婚宴"));
            QCOMPARE(t.state.CurrentListID, qint16(8));
            QCOMPARE(styleButtons(chooser), QStringLiteral("1111"));
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_Close"), Qt::LeftButton);
        });
        QTest::qWait(150);
        QCOMPARE(t.state.CurrentListID, qint16(3));
        QCOMPARE(text(m, "L_ListName") + text(m, "L_Guests"), QStringLiteral("寿宴5"));

        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, QStringLiteral("婚宴"));
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_OK"), Qt::LeftButton);
        });
        QTRY_COMPARE(text(m, "L_ListName") + text(m, "L_Guests"), QStringLiteral("婚宴7"));
        QVERIFY(child(m, "Cmd_Print")->isEnabled());
    }

    // Catches the main window still showing the old guest count after the guest window, opened from
    // the chooser, has closed.
    void closingTheGuestWindowReloadsTheMainWindow()
    {
        TestSession t;
        t.db.addStyle(5, QStringLiteral("五"), 2, 3);
        t.choose(5, QStringLiteral("五"));
        w_Main m(t.session);
        showLoaded(m);
        QCOMPARE(text(m, "L_Guests"), QStringLiteral("3"));
        throughChooser(m, [&](w_QJList& chooser) {
            openAndPick(chooser, QStringLiteral("五"));
            t.db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (5, '新甲'), (5, '新乙')"));
            whenModalShown(QStringLiteral("w_AddGuest"), [](QWidget* guests) { guests->close(); });
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_Guests"), Qt::LeftButton);
            QTRY_COMPARE(text(m, "L_Guests"), QStringLiteral("5"));
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_Close"), Qt::LeftButton);
        });
        QCOMPARE(text(m, "L_ListName") + text(m, "L_Guests"), QStringLiteral("五5"));
    }

    // Catches a button wired to the wrong window, or to none: each opens its window modally.
    void buttonsOpenTheirWindows()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 1, 1);
        w_Main m(t.session);
        m.show();
        waitFor(m, "Timer_Load");
        // The object name of the modal window the button opened (closed again at once), or nothing.
        const auto opens = [](QWidget& from, const char* button) {
            auto shown = std::make_shared<QString>();
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [shown, &poll] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    *shown = modal->objectName();
                    poll.stop();
                    modal->close();
                }
            });
            poll.start(20);
            QTest::mouseClick(child<QPushButton>(from, button), Qt::LeftButton);
            return *shown;
        };
        QCOMPARE(opens(m, "Cmd_About"), QStringLiteral("w_About"));
        QCOMPARE(opens(m, "Cmd_Help"), QStringLiteral("w_Help"));
        w_QJList chooser(t.session, &m);
        openAndPick(chooser, QStringLiteral("一"));
        QCOMPARE(opens(chooser, "Cmd_Edit"), QStringLiteral("w_PRNSet"));
        QCOMPARE(opens(chooser, "Cmd_Guests"), QStringLiteral("w_AddGuest"));
    }

    void deletion_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("locked"); // another program holds the file
        QTest::newRow("answered No") << QStringLiteral("一") << 2 << 3 << false << false;
        QTest::newRow("file locked") << QStringLiteral("一") << 2 << 3 << true << true;
        QTest::newRow("with labels and guests") << QStringLiteral("婚宴") << 4 << 6 << true << false;
        QTest::newRow("without rows") << QStringLiteral("空样式") << 0 << 0 << true << false;
        QTest::newRow("quotes and wildcards") << QStringLiteral("O'B\"%_") << 2 << 2 << true << false;
    }

    // Catches rows of a deleted style left behind, another style's rows taken (also one whose name
    // matches as a pattern would), a deletion after No, a failed deletion that changed something or
    // was reported as done, and the chooser or the main window still showing a deleted style.
    void deletion()
    {
        QFETCH(QString, name);
        QFETCH(int, labels);
        QFETCH(int, guests);
        QFETCH(bool, yes);
        QFETCH(bool, locked);
        TestSession t;
        t.db.addStyle(5, name, labels, guests);
        t.db.addStyle(6, QStringLiteral("O'B\"%X"), 3, 4);
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
                t.db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_DEL"), Qt::LeftButton);
            if (locked)
                t.db.exec(QStringLiteral("ROLLBACK"));
            waitFor(chooser, "Timer_LoadList");
            waitFor(m, "Timer_Load");
            buttonsAfter = styleButtons(chooser);
            listedAfter = child<QComboBox>(chooser, "Combo_QJList")->count();
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_Close"), Qt::LeftButton);
        });
        waitFor(m, "Timer_Load");
        QVERIFY(t.messages.shown().at(0).text.contains(QStringLiteral("“ %1 ”").arg(name)));
        if (!yes || locked) {
            QCOMPARE(t.db.snapshot(), before);
            QCOMPARE(t.messages.count(), locked ? 2 : 1);
            QCOMPARE(t.messages.last().text.contains(QStringLiteral("正被其他程序使用")), locked);
            QCOMPARE(t.state.CurrentListID, qint16(5));
            QCOMPARE(text(m, "L_ListName") + text(m, "L_Guests"), name + QString::number(guests));
            QCOMPARE(buttonsAfter, QStringLiteral("1111"));
            return;
        }
        for (const char* table : {"Lists", "GuestXY", "Guests", "Main"})
            QCOMPARE(t.db.rowsOf(QLatin1String(table), 5), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 6), 3);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 6), 4);
        QCOMPARE(t.state.CurrentListID, qint16(0));
        QCOMPARE(t.messages.count(), 1);
        // The list comes back without the style and with nothing picked; the main window shows no style.
        QCOMPARE(listedAfter, 1);
        QCOMPARE(buttonsAfter, QStringLiteral("0000"));
        QCOMPARE(text(m, "L_ListName") + text(m, "L_Guests"), QStringLiteral("0"));
        QVERIFY(!child(m, "Cmd_Print")->isEnabled());
    }

    void newStyleRefusals_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // title: text

        const QString empty = QStringLiteral("提醒: 请输入新样式编号与新样式名称。");
        const QString digits = QStringLiteral("关键性错误: 样式编号只能是数字，请检查后重新输入。");
        const QString taken = QStringLiteral("提醒: 已存在相同的样式编号或样式名称。");
        const QString fresh = QStringLiteral("新样式");
        QTest::newRow("no number") << "" << fresh << empty;
        QTest::newRow("name of blanks") << "5" << QStringLiteral("   ") << empty;
        QTest::newRow("minus") << "-1" << fresh << digits;
        QTest::newRow("decimal point") << "1.5" << fresh << digits;
        QTest::newRow("full-width digits") << "１２" << fresh << digits;
        QTest::newRow("zeros") << "000" << fresh << QStringLiteral("提醒: 样式编号不能为 0，请重新输入。");
        QTest::newRow("007 is 7") << "007" << fresh << taken;
        QTest::newRow("existing number") << "3" << fresh << taken;
        QTest::newRow("name in another case") << "8" << QStringLiteral("wedding") << taken;
        QTest::newRow("name with blanks") << "8" << QStringLiteral("婚 宴") << taken;
    }

    // Catches a check missing or out of order (a bad number is refused before the name is looked at),
    // a style stored in spite of a refusal, and the typed values lost.
    void newStyleRefusals()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestSession t;
        t.db.addStyle(7, QStringLiteral("Wedding"));
        t.db.addStyle(3, QStringLiteral("婚宴"));
        const QString before = t.db.snapshot();
        w_AddList w(t.session);
        w.show();
        enter(w, number, name);
        QCOMPARE(t.messages.count(), 1);
        const ShownMessage& shown = t.messages.last();
        QCOMPARE(shown.title + ": " + shown.text, message);
        QCOMPARE(shown.kind == ShownMessage::Kind::Critical,
                 message.startsWith(QStringLiteral("关键性错误")));
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
        t.db.addStyle(3, QStringLiteral("寿宴"));
        t.db.addStyle(20, QStringLiteral("满月"));
        t.db.addStyle(6, QStringLiteral("O'B%X"));
        t.choose(3, QStringLiteral("寿宴"));
        w_AddList w(t.session);
        w.show();
        QCOMPARE(listed(w), (QStringList{"3    寿宴", "6    O'B%X", "20    满月"}));

        enter(w, QStringLiteral("1 2"), QStringLiteral(" O'B %_ 请柬 "));
        QCOMPARE(t.messages.shown().at(0).text, QStringLiteral("新样式已保存！现在就添加请柬上的标签吗？"));
        QCOMPARE(t.messages.last().text,
                 QStringLiteral("新样式在没有设置其样式标签前是无效的，请尽快设置。"));
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT ListName FROM Lists WHERE ListID = 12")).toString(),
                 QStringLiteral("O'B%_请柬"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("GuestXY"), 12), 1);
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
        t.db.addStyle(3, QStringLiteral("寿宴"), 2, 4);
        t.choose(3, QStringLiteral("寿宴"));
        w_Main m(t.session);
        m.show();
        QTRY_COMPARE(text(m, "L_Guests"), QStringLiteral("4"));

        QWidget *addListParent = nullptr, *labelsParent = nullptr;
        bool chooserGone = false, addListHidden = false;
        QString labelsOn;
        whenModalShown(QStringLiteral("w_AddList"), [&](QWidget* addList) {
            addListParent = addList->parentWidget();
            chooserGone = m.findChild<w_QJList*>() == nullptr;
            whenModalShown(QStringLiteral("w_PRNSet"), [&, addList](QWidget* labels) {
                labelsOn = t.state.CurrentListName;
                labelsParent = labels->parentWidget();
                addListHidden = !addList->isVisible();
                labels->close();
            });
            t.messages.setNextAnswer(true);
            enter(*addList, QStringLiteral("007"), QStringLiteral("生日"));
        });
        throughChooser(m, [](w_QJList& chooser) {
            QTest::mouseClick(child<QPushButton>(chooser, "Cmd_New"), Qt::LeftButton);
        });
        QTRY_COMPARE(labelsParent, static_cast<QWidget*>(&m));
        QCOMPARE(addListParent, static_cast<QWidget*>(&m));
        QVERIFY(chooserGone && addListHidden);
        QCOMPARE(labelsOn, QStringLiteral("生日"));
        QCOMPARE(t.state.CurrentListID, qint16(7));
        QTRY_COMPARE(text(m, "L_ListName"), QStringLiteral("生日"));
        QVERIFY(!child(m, "Cmd_Print")->isEnabled());
    }
};

QTEST_MAIN(tst_style_windows)
#include "tst_style_windows.moc"
