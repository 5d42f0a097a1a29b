// The main window: the printer warning, the load step and its enabling rules, the guest-name setting
// it keeps for the run, and what it says about stored values it cannot use.
#include "printing/w_Main.h"
#include "support/TestSession.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

QString text(w_Main& w, const char* name)
{
    return w.findChild<QLabel*>(QLatin1String(name))->text();
}

bool enabled(w_Main& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name))->isEnabled();
}

// Switches Timer_Load on, as other windows do, and waits for the load step to run.
void reload(w_Main& w)
{
    QTimer* timer = w.findChild<QTimer*>(QStringLiteral("Timer_Load"));
    w.requestReload();
    QTRY_VERIFY(!timer->isActive());
}

} // namespace

class tst_w_main : public QObject
{
    Q_OBJECT

private slots:
    void opensWithNoStyleAndWarnsWithoutPrinter()
    {
        TestSession t;
        t.printer.printerCount = 0;
        w_Main w(t.session);
        w.open();
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QCOMPARE(t.messages.last().text, QStringLiteral("系统未安装打印机，您设计的请柬可能无法打印。"));
        QVERIFY(w.isVisible());

        QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer_Load"))->isActive());
        QCOMPARE(w.windowTitle(), QStringLiteral("Zanbor Fennick"));
        QVERIFY(w.findChild<QRadioButton*>(QStringLiteral("O_All"))->isChecked());
        QVERIFY(!enabled(w, "Cmd_Print"));
        QVERIFY(!enabled(w, "Cmd_NamePrint"));
        QCOMPARE(text(w, "L_ListName"), QString());
        QCOMPARE(text(w, "L_Guests"), QStringLiteral("0"));
        QCOMPARE(text(w, "L_OK"), QStringLiteral("0"));
        QCOMPARE(text(w, "L_state"), QStringLiteral("请先选择请柬样式，再进行宾客及打印设置。"));
        QCOMPARE(w.findChild<QTimer*>(QStringLiteral("Timer_Print"))->interval(), 4000);

        // The window keeps its designed size.
        const QSize designed = w.size();
        QCOMPARE(designed, QSize(521, 317));
        w.resize(800, 600);
        QCOMPARE(w.size(), designed);

        TestSession withPrinter;
        w_Main w2(withPrinter.session);
        w2.open();
        QCOMPARE(withPrinter.messages.count(), 0);
    }

    void printingNeedsLabelsAndGuests_data()
    {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("guests");
        QTest::newRow("neither") << 0 << 0;
        QTest::newRow("labels, no guests") << 2 << 0;
        QTest::newRow("guests, no labels") << 0 << 3;
        QTest::newRow("both") << 2 << 3;
    }

    void printingNeedsLabelsAndGuests()
    {
        QFETCH(int, labels);
        QFETCH(int, guests);
        TestSession t;
        t.db.addStyle(4, QStringLiteral("婚宴"), labels, guests);
        w_Main w(t.session);
        w.show();
        reload(w);
        t.choose(4, QStringLiteral("婚宴"));
        reload(w);
        const bool printable = labels > 0 && guests > 0;
        QCOMPARE(enabled(w, "Cmd_Print"), printable);
        QCOMPARE(enabled(w, "Cmd_NamePrint"), printable);
        QCOMPARE(text(w, "L_ListName"), QStringLiteral("婚宴"));
        QCOMPARE(text(w, "L_Guests"), QString::number(guests));
        QCOMPARE(w.guestCursor().atEnd, guests == 0);
        if (guests > 0)
            QCOMPARE(w.guestCursor().name, QStringLiteral("宾客1"));
        QCOMPARE(t.messages.count(), 0);
    }

    void guestNameSettingIsKeptUntilAStyleHasOne()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("有设置"), 1, 1);
        t.db.exec(QStringLiteral(
            "UPDATE GuestXY SET keyx = 12.5, keyy = '30', keyfont = '楷体', keyfontsize = '10.5', "
            "keyfontstyle = '粗体' WHERE ListID = 1"));
        t.db.addStyle(2, QStringLiteral("无设置行"), 1, 1);
        t.db.exec(QStringLiteral("DELETE FROM GuestXY WHERE ListID = 2"));
        t.db.addStyle(3, QStringLiteral("未保存"), 1, 1);
        t.db.exec(
            QStringLiteral("UPDATE GuestXY SET keyx = 5, keyy = 6, keyfontsize = '11.5' WHERE ListID = 3"));

        w_Main w(t.session);
        w.show();
        t.choose(1, QStringLiteral("有设置"));
        reload(w);
        GuestNameSetting s = w.guestNameSetting();
        QCOMPARE(s.xMm, 12.5);
        QCOMPARE(s.yMm, 30.0);
        QCOMPARE(s.fontName, QStringLiteral("楷体"));
        QCOMPARE(s.fontSize, qint16(10)); // half to even
        QCOMPARE(s.styleWord, QStringLiteral("粗体"));

        t.choose(2, QStringLiteral("无设置行"));
        reload(w);
        QCOMPARE(w.guestNameSetting().xMm, 12.5);
        QCOMPARE(w.guestNameSetting().fontName, QStringLiteral("楷体"));
        QCOMPARE(w.guestNameSetting().fontSize, qint16(10));

        // A row whose font was never saved: position and empty font taken, size and style word kept.
        t.choose(3, QStringLiteral("未保存"));
        t.db.exec(QStringLiteral("UPDATE GuestXY SET keyfontsize = NULL WHERE ListID = 3"));
        reload(w);
        s = w.guestNameSetting();
        QCOMPARE(s.xMm, 5.0);
        QCOMPARE(s.yMm, 6.0);
        QCOMPARE(s.fontName, QString());
        QCOMPARE(s.fontSize, qint16(10));
        QCOMPARE(s.styleWord, QStringLiteral("粗体"));

        t.db.exec(QStringLiteral("UPDATE GuestXY SET keyfontsize = '11.5' WHERE ListID = 3"));
        reload(w);
        QCOMPARE(w.guestNameSetting().fontSize, qint16(12));
        QVERIFY(enabled(w, "Cmd_Print"));
        QCOMPARE(t.messages.count(), 0);
    }

    void reloadStartsTheRunAfresh()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 1, 2);
        w_Main w(t.session);
        w.show();
        t.choose(1, QStringLiteral("一"));
        t.state.PrintNamedGuest = true; // a single-card print prepared, then overtaken by a reload
        t.state.NamedGuest = QStringLiteral("宾客2");
        reload(w);
        QVERIFY(!t.state.PrintNamedGuest);
        QCOMPARE(text(w, "L_OK"), QStringLiteral("0"));
        QCOMPARE(w.guestCursor().name, QStringLiteral("宾客1"));
    }

    void unusableStoredValuesAreReported_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("what");
        QTest::newRow("size not a number") << "keyfontsize"
                                           << "大号"
                                           << "字号“大号”";
        QTest::newRow("size past 16 bits") << "keyfontsize"
                                           << "40000"
                                           << "字号“40000”";
        QTest::newRow("x not a number") << "keyx"
                                        << "左边"
                                        << "横向位置“左边”";
        QTest::newRow("y not a number") << "keyy"
                                        << "1e999"
                                        << "纵向位置“1e999”";
    }

    void unusableStoredValuesAreReported()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, what);
        TestSession t;
        // A file made elsewhere, whose guest-name table takes any value.
        t.db.exec(QStringLiteral("DROP TABLE GuestXY"));
        t.db.exec(
            QStringLiteral("CREATE TABLE GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle)"));
        t.db.addStyle(1, QStringLiteral("坏值"), 1, 1);
        t.db.exec(
            QStringLiteral("UPDATE GuestXY SET keyx = 1, keyy = 2, %1 = ? WHERE ListID = 1").arg(column),
            {value});
        w_Main w(t.session);
        w.show();
        t.choose(1, QStringLiteral("坏值"));
        reload(w);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY2(t.messages.last().text.contains(what), qPrintable(t.messages.last().text));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("坏值")));
        QVERIFY(!enabled(w, "Cmd_Print"));
        QVERIFY(!enabled(w, "Cmd_NamePrint"));
    }

    void damagedDatabaseIsReportedAtTheFirstLoad()
    {
        TestSession t;
        QFile file(t.db.path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(2048, '\x42'));
        file.close();
        w_Main w(t.session);
        w.show();
        t.choose(1, QStringLiteral("一"));
        reload(w);
        QCOMPARE(t.messages.count(), 1);
        QVERIFY(t.messages.last().text.contains(t.db.path()));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("不是有效的数据库")));
        QVERIFY(!enabled(w, "Cmd_Print"));
    }
};

QTEST_MAIN(tst_w_main)
#include "tst_w_main.moc"
