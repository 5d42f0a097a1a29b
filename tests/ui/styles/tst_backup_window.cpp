// Snapshots through the windows: a style deleted in the style chooser comes back whole from the
// backup window, and the main window shows it again; the main window asks before text another tool
// wrote in GBK is converted.
#include "core/help/RtfReader.h"
#include "support/TestSession.h"
#include "ui/main/w_Main.h"
#include "ui/styles/w_Backup.h"
#include "ui/styles/w_QJList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringEncoder>
#include <QFile>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

template <typename T = QWidget> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}

void click(QWidget& w, const char* button)
{
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

void waitFor(QObject& window, const char* timer)
{
    QTRY_VERIFY(!window.findChild<QTimer*>(QLatin1String(timer))->isActive());
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
        QCOMPARE(child<QLabel>(main, "L_Guests")->text(), u"4"_s);

        QStringList actions;
        QStringList guestCounts;
        whenModalShown(u"w_QJList"_s, [&](QWidget* window) {
            auto& chooser = *qobject_cast<w_QJList*>(window);
            pick(chooser, u"婚宴"_s);
            t.messages.setNextAnswer(true);
            click(chooser, "Cmd_DEL");
            QCOMPARE(t.db.rowsOf(u"Guests"_s, 1), 0);

            whenModalShown(u"w_Backup"_s, [&](QWidget* backup) {
                auto& grid = *child<QAbstractItemView>(*backup, "DG_Snapshots");
                actions = column(grid, 1);
                guestCounts = column(grid, 3);
                grid.setCurrentIndex(grid.model()->index(0, 1));
                t.messages.setNextAnswer(true);
                click(*backup, "Cmd_Restore");
                click(*backup, "Cmd_Close");
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
        QCOMPARE(child<QLabel>(main, "L_ListName")->text(), u"婚宴"_s);
        QCOMPARE(child<QLabel>(main, "L_Guests")->text(), u"4"_s);
        QCOMPARE(t.state.CurrentListID, qint16(1));
    }

    // Catches a help file that leaves the user to find snapshots and their restore alone.
    void theHelpDescribesSnapshotsAndTheirRestore()
    {
        QFile help(QStringLiteral(FENNICK_SOURCE_DIR "/data/Date_T.dat"));
        QVERIFY(help.open(QIODevice::ReadOnly));
        QTextDocument document;
        RtfReader::read(help.readAll(), document);
        const QString text = document.toPlainText();
        for (const char* said : {"快照", "Date_D备份", "“备份与恢复...”", "恢复(R)", "恢复快照前", "30 个"})
            QVERIFY2(text.contains(QString::fromUtf8(said)), said);
    }

    // Catches GBK text converted without asking, or a refusal the user never hears of at start.
    void theMainWindowAsksBeforeTextIsConverted()
    {
        for (const bool convert : {true, false}) {
            TestSession t;
            QStringEncoder gbk("GB18030");
            t.db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (1, CAST(? AS TEXT))"_s,
                      {QByteArray(gbk.encode(u"婚宴"_s))});
            t.messages.setNextAnswer(convert);
            w_Main main(t.session);
            main.open();
            QCOMPARE(t.messages.count(), 2);
            QCOMPARE(t.messages.shown().first().kind, ShownMessage::Kind::Question);
            QVERIFY(t.messages.shown().first().text.contains(u"“婚宴”"_s));
            QCOMPARE(t.messages.last().kind,
                     convert ? ShownMessage::Kind::Exclamation : ShownMessage::Kind::Critical);
            QCOMPARE(t.db.scalar(u"SELECT ListName FROM Lists"_s).toString() == u"婚宴"_s, convert);
        }
    }
};

QTEST_MAIN(tst_backup_window)
#include "tst_backup_window.moc"
