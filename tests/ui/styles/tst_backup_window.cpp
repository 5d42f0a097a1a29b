// Snapshots through the windows: a style deleted in the style chooser comes back whole from the
// backup window, and the main window shows it again; the main window asks before text another tool
// wrote in GBK is converted.
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/main/w_Main.h"
#include "ui/styles/w_Backup.h"
#include "ui/styles/w_QJList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void pick(w_QJList& chooser, const QString& name)
{
    waitFor(chooser, "Timer_LoadList");
    auto* list = child<QComboBox>(chooser, "Combo_QJList");
    list->setCurrentIndex(list->findText(name));
    QCOMPARE(list->currentText(), name);
}

QStringList column(QAbstractItemView& grid, int column)
{
    QStringList cells;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        cells << grid.model()->index(row, column).data().toString();
    return cells;
}

} // namespace

class tst_backup_window : public QObject
{
    Q_OBJECT

private slots:
    // Catches a deleted style that does not come back whole (its labels, guests, guest-name setting,
    // row identities or value types), a backup window that lists snapshots without their action and
    // counts, a restore without a question, and windows that keep showing the data from before.
    void aDeletedStyleComesBackFromTheBackupWindow()
    {
        TestSession t;
        t.db.addStyle(1, u"婚宴"_s, 3, 4);
        t.db.addStyle(2, u"寿宴"_s, 1, 2);
        t.db.exec(u"UPDATE GuestXY SET keyx = 60.5, keyy = 90, keyfont = '楷体', keyfontsize = '20', "
                  "keyfontstyle = '粗体' WHERE ListID = 1"_s);
        const QString before = t.db.exactDump();
        t.choose(1, u"婚宴"_s);
        w_Main main(t.session);
        main.show();
        waitFor(main, "Timer_Load");
        QCOMPARE(labelText(main, "L_Guests"), u"4"_s);

        QStringList actions;
        QStringList guestCounts;
        onNextModal<w_QJList>([&](w_QJList& chooser) {
            pick(chooser, u"婚宴"_s);
            t.messages.setNextAnswer(true);
            click(chooser, "Cmd_DEL");
            QCOMPARE(t.db.rowsOf(u"Guests"_s, 1), 0);

            onNextModal<w_Backup>([&](w_Backup& backup) {
                auto& grid = *child<QAbstractItemView>(backup, "DG_Snapshots");
                actions = column(grid, 1);
                guestCounts = column(grid, 3);
                grid.setCurrentIndex(grid.model()->index(0, 1));
                t.messages.setNextAnswer(true);
                click(backup, "Cmd_Restore");
                click(backup, "Cmd_Close");
            });
            click(chooser, "Cmd_Backup");
            pick(chooser, u"婚宴"_s); // the list is read again: the style is back
            click(chooser, "Cmd_OK");
        });
        click(main, "Cmd_QJList");
        QTRY_VERIFY(!QApplication::activeModalWidget());

        QCOMPARE(actions, QStringList{u"删除样式 婚宴"_s});
        QCOMPARE(guestCounts, QStringList{u"6"_s});
        const QList<ShownMessage>& shown = t.messages.shown();
        QVERIFY2(shown.size() >= 3 && shown.at(shown.size() - 2).text.contains(u"删除样式 婚宴"_s),
                 qPrintable(shown.last().text));
        QVERIFY2(shown.last().text.startsWith(u"数据已恢复"_s), qPrintable(shown.last().text));
        QCOMPARE(t.db.exactDump(), before);
        waitFor(main, "Timer_Load");
        QCOMPARE(labelText(main, "L_ListName"), u"婚宴"_s);
        QCOMPARE(labelText(main, "L_Guests"), u"4"_s);
        QCOMPARE(t.state.CurrentListID, qint16(1));
    }

    // Catches GBK text converted without asking, or a refusal the user never hears of at start (the
    // conversion itself is the store's test).
    void theMainWindowAsksBeforeTextIsConverted()
    {
        TestSession t;
        QStringEncoder gbk("GB18030");
        t.db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (1, CAST(? AS TEXT))"_s,
                  {QByteArray(gbk.encode(u"婚宴"_s))});
        const QString before = t.db.snapshot();
        w_Main main(t.session); // answered No
        main.open();
        QCOMPARE(t.messages.count(), 2);
        QCOMPARE(t.messages.shown().first().kind, ShownMessage::Kind::Question);
        QVERIFY(t.messages.shown().first().text.contains(u"“婚宴”"_s));
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(t.db.snapshot(), before);
    }
};

QTEST_MAIN(tst_backup_window)
#include "tst_backup_window.moc"
