// The style chooser: listing, choosing, confirming or cancelling, and deleting a style with all its
// rows, driven through its controls.
#include "printing/w_Main.h"
#include "styles/w_QJList.h"
#include "support/TestSession.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QPushButton* button(QWidget& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

QComboBox* combo(w_QJList& w)
{
    return w.findChild<QComboBox*>(QStringLiteral("Combo_QJList"));
}

QString mainText(w_Main& m, const char* name)
{
    return m.findChild<QLabel*>(QLatin1String(name))->text();
}

bool styleButtonsEnabled(w_QJList& w)
{
    const bool ok = button(w, "Cmd_OK")->isEnabled();
    for (const char* name : {"Cmd_Edit", "Cmd_DEL", "Cmd_Guests"})
        if (button(w, name)->isEnabled() != ok)
            qFatal("style buttons out of step");
    return ok;
}

// Opens the chooser over the main window and waits until its list is loaded.
void waitForList(w_QJList& chooser)
{
    chooser.show();
    QTRY_VERIFY(!chooser.findChild<QTimer*>(QStringLiteral("Timer_LoadList"))->isActive());
}

// Picks an entry the way a user does: with the arrow keys on the closed list.
void pick(w_QJList& chooser, const QString& name)
{
    QComboBox* list = combo(chooser);
    const int target = list->findText(name);
    QVERIFY(target >= 0);
    list->setFocus();
    if (list->currentIndex() < 0)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() < target)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > target)
        QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentText(), name);
}

void waitForMainLoad(w_Main& m)
{
    QTRY_VERIFY(!m.findChild<QTimer*>(QStringLiteral("Timer_Load"))->isActive());
}

} // namespace

class tst_w_qjlist : public QObject
{
    Q_OBJECT

private slots:
    void emptyListLeavesOnlyNewAndCancel()
    {
        TestSession t;
        w_Main m(t.session);
        m.show();
        w_QJList chooser(t.session, &m);
        QCOMPARE(chooser.windowTitle(), QStringLiteral("请柬样式选择与编辑"));
        waitForList(chooser);
        QCOMPARE(combo(chooser)->count(), 0);
        QVERIFY(!styleButtonsEnabled(chooser));
        QVERIFY(button(chooser, "Cmd_New")->isEnabled());
        QVERIFY(button(chooser, "Cmd_Close")->isEnabled());
        QTest::mouseClick(button(chooser, "Cmd_New"), Qt::LeftButton);
        QVERIFY(!chooser.isVisible());
    }

    void choosingChangesTheStyleAtOnceAndOkReloadsTheMainWindow()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("寿宴"), 2, 5);
        t.db.addStyle(8, QStringLiteral("婚宴"), 1, 7);
        w_Main m(t.session);
        m.show();
        waitForMainLoad(m);
        t.choose(3, QStringLiteral("寿宴")); // a style is already current when the chooser opens

        {
            w_QJList chooser(t.session, &m);
            waitForList(chooser);
            QCOMPARE(combo(chooser)->count(), 2);
            QCOMPARE(combo(chooser)->currentIndex(), -1);
            QVERIFY(!styleButtonsEnabled(chooser));

            pick(chooser, QStringLiteral("婚宴"));
            QCOMPARE(t.state.CurrentListID, qint16(8));
            QCOMPARE(t.state.CurrentListName, QStringLiteral("婚宴"));
            QVERIFY(styleButtonsEnabled(chooser));

            // Cancel keeps the picked style but leaves the main window as it was.
            QTest::mouseClick(button(chooser, "Cmd_Close"), Qt::LeftButton);
            QVERIFY(!chooser.isVisible());
            QTest::qWait(50);
            QCOMPARE(mainText(m, "L_ListName"), QString());
            QCOMPARE(t.state.CurrentListID, qint16(8));
        }
        {
            w_QJList chooser(t.session, &m);
            waitForList(chooser);
            pick(chooser, QStringLiteral("寿宴"));
            QTest::mouseClick(button(chooser, "Cmd_OK"), Qt::LeftButton);
            QVERIFY(!chooser.isVisible());
            waitForMainLoad(m);
            QCOMPARE(mainText(m, "L_ListName"), QStringLiteral("寿宴"));
            QCOMPARE(mainText(m, "L_Guests"), QStringLiteral("5"));
            QVERIFY(button(m, "Cmd_Print")->isEnabled());
        }
    }

    void answeringNoDeletesNothing()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 2, 3);
        w_Main m(t.session);
        m.show();
        t.choose(1, QStringLiteral("一"));
        waitForMainLoad(m);
        const QString before = t.db.snapshot();

        w_QJList chooser(t.session, &m);
        waitForList(chooser);
        pick(chooser, QStringLiteral("一"));
        t.messages.setNextAnswer(false);
        QTest::mouseClick(button(chooser, "Cmd_DEL"), Qt::LeftButton);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Question);
        QCOMPARE(t.messages.last().title, QStringLiteral("用户确认"));
        QCOMPARE(t.messages.last().text, QStringLiteral("确定要删除标示为“ 一 ”的请柬样式吗？\n\n"
                                                        "删除请柬样式将同时删除该样式所对应的宾客名单。"));
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(mainText(m, "L_ListName"), QStringLiteral("一"));
        QCOMPARE(mainText(m, "L_Guests"), QStringLiteral("3"));
        QVERIFY(styleButtonsEnabled(chooser));
    }

    void deletingAStyleRemovesAllItsRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::newRow("with labels and guests") << QStringLiteral("婚宴") << 4 << 6;
        QTest::newRow("empty style") << QStringLiteral("空样式") << 0 << 0;
        QTest::newRow("quotes and wildcards") << QStringLiteral("O'B\"%_") << 2 << 2;
    }

    void deletingAStyleRemovesAllItsRows()
    {
        QFETCH(QString, name);
        QFETCH(int, labels);
        QFETCH(int, guests);
        TestSession t;
        t.db.addStyle(5, name, labels, guests);
        t.db.addStyle(6, QStringLiteral("O'B\"%X"), 3, 4); // matches the name only as a pattern would
        w_Main m(t.session);
        m.show();
        t.choose(5, name);
        waitForMainLoad(m);

        w_QJList chooser(t.session, &m);
        waitForList(chooser);
        pick(chooser, name);
        t.messages.setNextAnswer(true);
        QTest::mouseClick(button(chooser, "Cmd_DEL"), Qt::LeftButton);
        for (const QString& table : {QStringLiteral("Lists"), QStringLiteral("GuestXY"),
                                     QStringLiteral("Guests"), QStringLiteral("Main")})
            QCOMPARE(t.db.rowsOf(table, 5), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 6), 3);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 6), 4);
        QCOMPARE(t.state.CurrentListID, qint16(0));
        QCOMPARE(t.state.CurrentListName, QString());
        QCOMPARE(mainText(m, "L_ListName"), QString());
        QCOMPARE(mainText(m, "L_Guests"), QStringLiteral("0"));
        QCOMPARE(mainText(m, "L_OK"), QStringLiteral("0"));

        // The list comes back without the style, nothing picked; the main window reloads with no style.
        QVERIFY(chooser.isVisible());
        waitForList(chooser);
        QCOMPARE(combo(chooser)->count(), 1);
        QCOMPARE(combo(chooser)->itemText(0), QStringLiteral("O'B\"%X"));
        QCOMPARE(combo(chooser)->currentIndex(), -1);
        QVERIFY(!styleButtonsEnabled(chooser));
        waitForMainLoad(m);
        QVERIFY(!button(m, "Cmd_Print")->isEnabled());
        QCOMPARE(mainText(m, "L_Guests"), QStringLiteral("0"));
        QCOMPARE(t.messages.count(), 1);
    }

    void failedDeletionChangesNothing()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 2, 3);
        w_Main m(t.session);
        m.show();
        t.choose(1, QStringLiteral("一"));
        waitForMainLoad(m);
        const QString before = t.db.snapshot();

        w_QJList chooser(t.session, &m);
        waitForList(chooser);
        pick(chooser, QStringLiteral("一"));
        t.messages.setNextAnswer(true);
        t.db.exec(QStringLiteral("BEGIN EXCLUSIVE")); // another program holds the file
        QTest::mouseClick(button(chooser, "Cmd_DEL"), Qt::LeftButton);
        t.db.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(t.messages.count(), 2);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QVERIFY(t.messages.last().text.contains(QStringLiteral("正被其他程序使用")));
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(t.state.CurrentListID, qint16(1));
        QCOMPARE(mainText(m, "L_ListName"), QStringLiteral("一"));
        QCOMPARE(mainText(m, "L_Guests"), QStringLiteral("3"));
    }
};

QTEST_MAIN(tst_w_qjlist)
#include "tst_w_qjlist.moc"
