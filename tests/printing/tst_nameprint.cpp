// Printing a named guest: asking for the name, the literal search and its result grid, picking a
// guest, the main window prepared for a one-card run, and the not-found round trip.
#include "PrintFixture.h"
#include "printing/w_NameList.h"
#include "printing/w_NamePrint.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>

#include <functional>

namespace {

// Runs `act` on the next modal dialog of type T once it is shown.
template <typename T> void onNextDialog(std::function<void(T*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

void click(QWidget* window, const char* name)
{
    QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
}

QTableView* grid(w_NameList& list)
{
    return list.findChild<QTableView*>(QStringLiteral("DG_Edit"));
}

// Shows the search result for `text` and waits for it.
void search(w_NameList& list, PrintFixture& f, const QString& text)
{
    f.t.state.NamedGuest = text;
    list.show();
    QTRY_VERIFY(!list.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

QStringList shownNames(w_NameList& list)
{
    QStringList names;
    const QAbstractItemModel* model = grid(list)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

} // namespace

class tst_nameprint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void anEmptyNameIsRefusedAndTheTextIsStoredTrimmed()
    {
        PrintFixture f(1);
        w_NamePrint ask(f.t.session, nullptr);
        ask.show();
        QCOMPARE(ask.windowTitle(), QStringLiteral("指定打印"));
        auto* name = ask.findChild<QLineEdit*>(QStringLiteral("T_Name"));
        QTest::keyClicks(name, QStringLiteral("   "));
        click(&ask, "Cmd_OK");
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().kind, ShownMessage::Kind::Exclamation);
        QCOMPARE(f.t.messages.last().title, QStringLiteral("操作提醒"));
        QCOMPARE(f.t.messages.last().text,
                 QStringLiteral("请输入你需要打印的宾客的姓名，可以是其中的一部分，例如只记得姓。"));
        QVERIFY(ask.isVisible());
        QCOMPARE(ask.result(), 0);

        name->setText(QStringLiteral(" 张 "));
        click(&ask, "Cmd_OK");
        QCOMPARE(ask.result(), int(QDialog::Accepted));
        QCOMPARE(f.t.state.NamedGuest, QStringLiteral("张"));
    }

    void theSearchTakesTheTextLiterally_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("part of several names") << "张" << QStringList({"张三", "张%四", "张_五", "王张六"});
        QTest::newRow("percent") << "%" << QStringList({"张%四"});
        QTest::newRow("underscore") << "_" << QStringList({"张_五"});
        QTest::newRow("quote, either case") << "o'neil" << QStringList({"O'Neil"});
        QTest::newRow("backslash") << "\\" << QStringList({"a\\b"});
    }

    void theSearchTakesTheTextLiterally()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        PrintFixture f(0);
        for (const char* name : {"张三", "张%四", "张_五", "O'Neil", "王张六", "李四", "a\\b", "ab"})
            f.t.db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (1, ?)"),
                        {QString::fromUtf8(name)});
        f.t.db.addStyle(2, QStringLiteral("别的样式"), 0, 0);
        f.t.db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (2, '张七')"));
        f.t.choose(1, QStringLiteral("婚宴"));
        const QString before = f.t.db.snapshot();

        w_NameList list(f.t.session, nullptr);
        search(list, f, text);
        QCOMPARE(list.windowTitle(), QStringLiteral("相关宾客列表"));
        QCOMPARE(shownNames(list), found);
        QCOMPARE(grid(list)->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("备注"));
        QCOMPARE(f.t.messages.count(), 0);
        QCOMPARE(f.t.db.snapshot(), before);
    }

    void pickingAGuestPreparesAOneCardRun()
    {
        PrintFixture f(3);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.t.db.exec(QStringLiteral("UPDATE Guests SET Name = ' 宾客2 ' WHERE Name = '宾客2'"));
        f.open();

        // Cancel leaves everything as it was.
        {
            w_NameList list(f.t.session, f.window.get());
            search(list, f, QStringLiteral("宾客"));
            click(&list, "Cmd_Close");
            QVERIFY(!f.t.state.PrintNamedGuest);
            QCOMPARE(f.text("L_Guests"), QStringLiteral("3"));
        }
        // OK before the search has shown anyone picks nobody.
        {
            w_NameList list(f.t.session, f.window.get());
            f.t.state.NamedGuest = QStringLiteral("宾客");
            click(&list, "Cmd_OK");
            QCOMPARE(list.result(), int(QDialog::Rejected));
            QVERIFY(!f.t.state.PrintNamedGuest);
            QCOMPARE(f.text("L_Guests"), QStringLiteral("3"));
        }
        // OK without touching the grid picks the first guest listed.
        {
            w_NameList list(f.t.session, f.window.get());
            search(list, f, QStringLiteral("宾客"));
            click(&list, "Cmd_OK");
            QCOMPARE(list.result(), int(QDialog::Accepted));
            QCOMPARE(f.t.state.NamedGuest, QStringLiteral("宾客1"));
        }
        // A double-click picks that row; the name is trimmed of its spaces.
        w_NameList list(f.t.session, f.window.get());
        search(list, f, QStringLiteral("宾客"));
        QTableView* view = grid(list);
        const QRect cell = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(list.result(), int(QDialog::Accepted));
        QCOMPARE(f.t.state.NamedGuest, QStringLiteral("宾客2"));
        QVERIFY(f.t.state.PrintNamedGuest);
        QCOMPARE(f.text("L_Guests"), QStringLiteral("1"));
        QCOMPARE(f.text("L_OK"), QStringLiteral("0"));
        QCOMPARE(f.text("L_state"), QStringLiteral("即将单独打印的请柬宾客为:  宾客2"));

        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.printer.printedNames(), QStringList({"宾客2"}));
        QCOMPARE(f.text("L_state"), QStringLiteral("打印已全部完成！"));
        QVERIFY(!f.t.state.PrintNamedGuest);
        QVERIFY(!f.button("Cmd_Print")->isEnabled());
    }

    void nobodyFoundAsksForTheNameAgain()
    {
        PrintFixture f(2);
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        QVERIFY(f.button("Cmd_NamePrint")->isEnabled());

        bool askedAgain = false;
        onNextDialog<w_NamePrint>([&](w_NamePrint* first) {
            first->findChild<QLineEdit*>(QStringLiteral("T_Name"))->setText(QStringLiteral("  无此人 "));
            click(first, "Cmd_OK");
            onNextDialog<w_NamePrint>([&](w_NamePrint* second) {
                askedAgain = second->findChild<QLineEdit*>(QStringLiteral("T_Name"))->text().isEmpty();
                click(second, "Cmd_Close");
            });
        });
        click(f.window.get(), "Cmd_NamePrint");
        QVERIFY(askedAgain);
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().title, QStringLiteral("操作提醒"));
        QCOMPARE(f.t.messages.last().text,
                 QStringLiteral("在“婚宴”请柬样式对应的宾客列表里没有找到与“无此人”相关的宾客，请核查。"));
        QVERIFY(!f.t.state.PrintNamedGuest);
        QCOMPARE(f.text("L_Guests"), QStringLiteral("2"));
    }
};

QTEST_MAIN(tst_nameprint)
#include "tst_nameprint.moc"
