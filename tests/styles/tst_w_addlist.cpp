// The new-style window driven through its controls: the checks in order with their messages, the
// rows a new style gets, the Yes and No answers, and its opening from the style chooser.
#include "printing/w_Main.h"
#include "styles/w_AddList.h"
#include "styles/w_QJList.h"
#include "support/TestSession.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QLineEdit* edit(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(QLatin1String(name));
}

QPushButton* button(QWidget& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

QStringList listed(w_AddList& w)
{
    QStringList entries;
    QListWidget* list = w.findChild<QListWidget*>(QStringLiteral("List_QJList"));
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

void waitForList(w_AddList& w)
{
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer_List"))->isActive());
}

// Watches for the modal window `name` and hands it to `act` as soon as it is shown; `act` closes it.
void whenModalShown(const QString& name, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == name && modal->isVisible()) {
            poll->deleteLater();
            poll->stop();
            act(modal);
        }
    });
    poll->start();
}

// Types `text` as a user does: ASCII through the keyboard, everything else (Chinese, full-width
// characters) committed by the input method.
void typeText(QWidget* target, const QString& text)
{
    if (auto* box = qobject_cast<QComboBox*>(target); box && box->lineEdit())
        target = box->lineEdit();
    target->setFocus();
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(target, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(target, &commit);
        }
    }
}

void enter(w_AddList& w, const QString& number, const QString& name)
{
    for (const auto& [field, text] : {std::pair{"T_ListID", number}, {"T_ListName", name}}) {
        QLineEdit* box = edit(w, field);
        box->clear();
        typeText(box, text);
    }
}

} // namespace

class tst_w_addlist : public QObject
{
    Q_OBJECT

private slots:
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("numberShown"); // T_ListID afterwards

        const int critical = int(ShownMessage::Kind::Critical);
        const int exclamation = int(ShownMessage::Kind::Exclamation);
        const QString empty = QStringLiteral("请输入新样式编号与新样式名称。");
        const QString digits = QStringLiteral("样式编号只能是数字，请检查后重新输入。");
        const QString zero = QStringLiteral("样式编号不能为 0，请重新输入。");
        const QString taken = QStringLiteral("已存在相同的样式编号或样式名称。");
        const QString reminder = QStringLiteral("提醒");
        const QString error = QStringLiteral("关键性错误");
        QTest::newRow("no number") << ""
                                   << "新样式" << exclamation << reminder << empty << "";
        QTest::newRow("name of blanks") << "5"
                                        << "   " << exclamation << reminder << empty << "5";
        // The digit test comes before the name is looked at for anything but emptiness.
        QTest::newRow("minus") << "-1"
                               << "新样式" << critical << error << digits << "-1";
        QTest::newRow("decimal point") << "1.5"
                                       << "新样式" << critical << error << digits << "1.5";
        QTest::newRow("full-width digits") << "１２"
                                           << "新样式" << critical << error << digits << "１２";
        QTest::newRow("zeros") << "000"
                               << "新样式" << exclamation << reminder << zero << "000";
        QTest::newRow("zeros with a blank") << "0 0"
                                            << "新样式" << exclamation << reminder << zero << "00";
        QTest::newRow("007 is 7") << "007"
                                  << "新样式" << exclamation << reminder << taken << "007";
        QTest::newRow("existing name") << "8"
                                       << "婚宴" << exclamation << reminder << taken << "8";
        QTest::newRow("name in another case") << "8"
                                              << "wedding" << exclamation << reminder << taken << "8";
        QTest::newRow("name with blanks") << "8"
                                          << "婚 宴" << exclamation << reminder << taken << "8";
    }

    void refusalsChangeNothing()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, numberShown);
        TestSession t;
        t.db.addStyle(7, QStringLiteral("Wedding"));
        t.db.addStyle(3, QStringLiteral("婚宴"));
        const QString before = t.db.snapshot();

        w_AddList w(t.session);
        QCOMPARE(w.windowTitle(), QStringLiteral("新建请柬样式"));
        w.show();
        waitForList(w);
        enter(w, number, name);
        QTest::mouseClick(button(w, "Cmd_OK"), Qt::LeftButton);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(int(t.messages.last().kind), kind);
        QCOMPARE(t.messages.last().title, title);
        QCOMPARE(t.messages.last().text, text);
        QCOMPARE(t.db.snapshot(), before);
        QVERIFY(w.isVisible());
        QCOMPARE(edit(w, "T_ListID")->text(), numberShown);
        QCOMPARE(edit(w, "T_ListName")->text(), name);
        if (text == QStringLiteral("样式编号只能是数字，请检查后重新输入。")) {
            QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_ListID"));
            QCOMPARE(edit(w, "T_ListID")->selectedText(), number);
        }
        QCOMPARE(t.state.CurrentListID, qint16(0));
    }

    void answeringNoKeepsTheWindowForAnotherStyle()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("寿宴"));
        t.db.addStyle(20, QStringLiteral("满月"));
        t.db.addStyle(6, QStringLiteral("O'B%X"));
        t.choose(3, QStringLiteral("寿宴"));
        w_AddList w(t.session);
        w.show();
        waitForList(w);
        QCOMPARE(listed(w), (QStringList{"3    寿宴", "6    O'B%X", "20    满月"}));
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_ListID"));

        // Blanks anywhere are dropped; quotes and wildcards in a name are plain text.
        enter(w, QStringLiteral("1 2"), QStringLiteral(" O'B %_ 请柬 "));
        t.messages.setNextAnswer(false);
        QTest::mouseClick(button(w, "Cmd_OK"), Qt::LeftButton);
        QCOMPARE(t.messages.count(), 2);
        QCOMPARE(t.messages.shown().at(0).kind, ShownMessage::Kind::Question);
        QCOMPARE(t.messages.shown().at(0).title, QStringLiteral("用户确认"));
        QCOMPARE(t.messages.shown().at(0).text, QStringLiteral("新样式已保存！现在就添加请柬上的标签吗？"));
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Exclamation);
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QCOMPARE(t.messages.last().text,
                 QStringLiteral("新样式在没有设置其样式标签前是无效的，请尽快设置。"));

        QCOMPARE(t.db.scalar(QStringLiteral("SELECT ListName FROM Lists WHERE ListID = 12")).toString(),
                 QStringLiteral("O'B%_请柬"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("GuestXY"), 12), 1);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT keyx || ',' || keyy || ',' || ifnull(keyfont, 'null') "
                                            "FROM GuestXY WHERE ListID = 12"))
                     .toString(),
                 QStringLiteral("0.0,0.0,null"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 12), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 12), 0);
        QCOMPARE(t.state.CurrentListID, qint16(3)); // No leaves the current style alone

        QVERIFY(w.isVisible());
        QCOMPARE(edit(w, "T_ListID")->text(), QString());
        QCOMPARE(edit(w, "T_ListName")->text(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_ListID"));
        waitForList(w);
        QCOMPARE(listed(w), (QStringList{"3    寿宴", "6    O'B%X", "12    O'B%_请柬", "20    满月"}));
    }

    void answeringYesMakesTheNewStyleCurrent()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("寿宴"), 2, 4);
        w_Main m(t.session);
        m.show();
        t.choose(3, QStringLiteral("寿宴"));
        m.requestReload();
        QTRY_COMPARE(m.findChild<QLabel*>(QStringLiteral("L_Guests"))->text(), QStringLiteral("4"));

        w_AddList w(t.session, &m);
        w.show();
        waitForList(w);
        enter(w, QStringLiteral("007"), QStringLiteral("生日"));
        // The label and print settings window opens at once, on the new style, in place of this one.
        QString labelsTitle;
        QWidget* labelsParent = nullptr;
        bool addListHidden = false;
        whenModalShown(QStringLiteral("w_PRNSet"), [&](QWidget* labels) {
            QTRY_COMPARE(labels->findChild<QLabel*>(QStringLiteral("L_Title"))->text(),
                         QStringLiteral("生日"));
            labelsTitle = labels->findChild<QLabel*>(QStringLiteral("L_Title"))->text();
            labelsParent = labels->parentWidget();
            addListHidden = !w.isVisible();
            labels->close();
        });
        t.messages.setNextAnswer(true);
        QTest::mouseClick(button(w, "Cmd_OK"), Qt::LeftButton);
        QCOMPARE(labelsTitle, QStringLiteral("生日"));
        QCOMPARE(labelsParent, static_cast<QWidget*>(&m));
        QVERIFY(addListHidden);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.state.CurrentListID, qint16(7));
        QCOMPARE(t.state.CurrentListName, QStringLiteral("生日"));
        QVERIFY(!w.isVisible());
        QCOMPARE(t.db.rowsOf(QStringLiteral("Lists"), 7), 1);
        QCOMPARE(t.db.rowsOf(QStringLiteral("GuestXY"), 7), 1);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 7), 0);
        // The main window no longer offers the old style's guests under the new style.
        QTRY_COMPARE(m.findChild<QLabel*>(QStringLiteral("L_ListName"))->text(), QStringLiteral("生日"));
        QVERIFY(!button(m, "Cmd_Print")->isEnabled());
    }

    void theChooserGivesWayToTheNewStyleWindow()
    {
        TestSession t;
        w_Main m(t.session);
        m.show();
        QWidget* parentSeen = nullptr;
        bool chooserGone = false;
        whenModalShown(QStringLiteral("w_AddList"), [&](QWidget* opened) {
            parentSeen = opened->parentWidget();
            chooserGone = m.findChild<w_QJList*>() == nullptr;
            QTest::mouseClick(button(*opened, "Cmd_Close"), Qt::LeftButton);
        });
        {
            w_QJList chooser(t.session, &m);
            chooser.show();
            QTest::mouseClick(button(chooser, "Cmd_New"), Qt::LeftButton);
            QVERIFY(!chooser.isVisible());
        }
        // Once the chooser has gone, the new-style window opens over the main window.
        QTRY_COMPARE(parentSeen, static_cast<QWidget*>(&m));
        QVERIFY(chooserGone);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(tst_w_addlist)
#include "tst_w_addlist.moc"
