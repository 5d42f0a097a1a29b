// The guest list window driven through its controls.
#include "support/TestSession.h"
#include "ui/guests/w_AddGuest.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

template <typename T = QWidget> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}

QTableView* grid(QWidget& w)
{
    return child<QTableView>(w, "DG_Edit");
}

// Opens the window on the current style and waits for its grid, whose model is checked throughout.
void open(w_AddGuest& w)
{
    new QAbstractItemModelTester(grid(w)->model(), QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 &w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

QString cell(w_AddGuest& w, int row, int column = 0)
{
    return grid(w)->model()->index(row, column).data().toString();
}

// Picks entry `sex` and types name, relation, job, contact and remark (empty where not given) as the
// input method commits Chinese text.
void fill(w_AddGuest& w, int sex, const QStringList& texts)
{
    child<QComboBox>(w, "Combo_Sex")->setCurrentIndex(sex);
    const char* fields[] = {"T_Name", "Combo_Connection", "T_Job", "T_Contact", "T_Remark"};
    for (int i = 0; i < 5; ++i) {
        auto* field = i == 1 ? child<QComboBox>(w, fields[i])->lineEdit() : child<QLineEdit>(w, fields[i]);
        QInputMethodEvent commit;
        commit.setCommitString(texts.value(i));
        field->clear();
        QApplication::sendEvent(field, &commit);
    }
}

void doubleClickRow(w_AddGuest& w, int row)
{
    const QPoint at = grid(w)->visualRect(grid(w)->model()->index(row, 0)).center();
    QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid(w)->viewport(), Qt::LeftButton, {}, at);
}

// Picks a whole row by its selector at the left of the grid.
void pickRow(w_AddGuest& w, int row, Qt::KeyboardModifiers modifiers = {})
{
    QHeaderView* selector = grid(w)->verticalHeader();
    const int y = selector->sectionViewportPosition(row) + selector->sectionSize(row) / 2;
    QTest::mouseClick(selector->viewport(), Qt::LeftButton, modifiers, QPoint(selector->width() / 2, y));
}

// Name|Sex|Connection|Job|Contact|Remark|ListID of the `n`th guest in entry order, NULL shown as "-".
QString stored(TestDatabase& db, int n)
{
    return db
        .scalar(QStringLiteral("SELECT printf('%s|%s|%s|%s|%s|%s|%s', Name, ifnull(Sex, '-'), Connection, "
                               "Job, Contact, Remark, ListID) FROM Guests ORDER BY GuestID LIMIT 1 OFFSET ?"),
                {n})
        .toString();
}

} // namespace

class tst_w_addguest : public QObject
{
    Q_OBJECT

    std::optional<TestSession> t; // fresh for each test
    std::unique_ptr<w_AddGuest> w;

    // Makes style 2 with `guests` guests current, runs `sql` on the file, and opens the guest window.
    w_AddGuest& openOn(int guests, const QString& sql = {})
    {
        t->db.addStyle(2, QStringLiteral("婚宴"), 1, guests);
        if (!sql.isEmpty())
            t->db.exec(sql);
        t->choose(2, QStringLiteral("婚宴"));
        w = std::make_unique<w_AddGuest>(t->session);
        open(*w);
        return *w;
    }

    template <typename T = QWidget> T* ui(const char* name) { return child<T>(*w, name); }
    QString lastMessage() { return t->messages.last().title + ": " + t->messages.last().text; }

private slots:
    void init() { w.reset(), t.emplace(); }

    void opensInAddMode_data()
    {
        QTest::addColumn<int>("guests");
        QTest::newRow("no guests") << 0;
        QTest::newRow("three guests") << 3;
    }

    // Catches a window that opens in modify mode, another style's guests in the grid, and clearing
    // offered for an empty list.
    void opensInAddMode()
    {
        QFETCH(int, guests);
        t->db.addStyle(3, QStringLiteral("其他"), 0, 2);
        openOn(guests);
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
        QCOMPARE(grid(*w)->model()->rowCount(), guests);
        QCOMPARE(ui<QPushButton>("Cmd_CleanAll")->isEnabled(), guests > 0);
        QVERIFY(!ui("F_saved")->isVisible());
    }

    // Catches texts stored untrimmed or altered (quotes, wildcards), a save time not to the second, fields
    // not emptied after saving, and the notice not shown or not hidden on typing or leaving the name.
    void addingStoresTheGuestAndShowsTheNotice()
    {
        openOn(0);
        fill(*w, 1, {" O'Neil 张 ", "  老乡 ", " 100% ", " a_b ", " 坐第一桌 "});
        QTest::keyClick(ui("T_Remark"), Qt::Key_Return); // Enter saves from any field
        QCOMPARE(stored(t->db, 0), QStringLiteral("O'Neil 张|男|  老乡 |100%|a_b|坐第一桌|2"));
        const QString saved = t->db.scalar(QStringLiteral("SELECT SaveTime FROM Guests")).toString();
        QVERIFY(
            qAbs(QDateTime::fromString(saved, "yyyy-MM-dd HH:mm:ss").secsTo(QDateTime::currentDateTime())) <
            3);
        QCOMPARE(cell(*w, 0), QStringLiteral("O'Neil 张"));
        QCOMPARE(ui<QLineEdit>("T_Name")->text() + ui<QLineEdit>("T_Remark")->text(), QString());
        QCOMPARE(ui<QComboBox>("Combo_Sex")->currentText(), QStringLiteral("男"));
        QVERIFY(ui("F_saved")->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), ui("T_Name"));
        QTest::keyClicks(ui("T_Name"), "Li");
        QVERIFY(!ui("F_saved")->isVisible());

        // The empty sex entry stores no sex; Enter in the relation list saves as well.
        fill(*w, 0, {QStringLiteral("李四"), QStringLiteral("同")});
        QTest::keyClick(ui<QComboBox>("Combo_Connection"), Qt::Key_Return);
        QCOMPARE(stored(t->db, 1), QStringLiteral("李四|-|同||||2"));
        QVERIFY(ui("F_saved")->isVisible());
        QTest::keyClick(ui("T_Name"), Qt::Key_Tab);
        QVERIFY(!ui("F_saved")->isVisible());
        QCOMPARE(t->messages.count(), 0);
    }

    void blankNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("ideographic spaces") << QStringLiteral("\u3000 \u3000");
    }

    // Catches a guest stored without a name, or the other fields lost on refusal.
    void blankNamesAreRefused()
    {
        QFETCH(QString, name);
        openOn(2);
        const QString before = t->db.snapshot();
        fill(*w, 2, {name, QStringLiteral("朋友"), QStringLiteral("单位")});
        QTest::keyClick(ui("T_Job"), Qt::Key_Return);
        QCOMPARE(t->messages.count(), 1);
        QCOMPARE(lastMessage(), QStringLiteral("缺少必要项目: 请输入宾客姓名。"));
        QCOMPARE(t->db.snapshot(), before);
        QCOMPARE(ui<QLineEdit>("T_Job")->text(), QStringLiteral("单位"));
        QTRY_COMPARE(QApplication::focusWidget(), ui("T_Name"));
    }

    // Catches a change landing on another guest saved in the same second, a missing sex replaced by
    // the one shown before, and the window staying in modify mode after the save.
    void doubleClickedGuestIsChangedAlone()
    {
        openOn(2, QStringLiteral(
                      "UPDATE Guests SET Sex = CASE Name WHEN '宾客1' THEN '女' END, Job = '旧', "
                      "Connection = '同学', Contact = '', Remark = '', SaveTime = '2026-05-01 12:00:00'"));
        ui<QComboBox>("Combo_Sex")->setCurrentIndex(1);
        doubleClickRow(*w, 1);
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), QStringLiteral("修改保存(&S)"));
        QCOMPARE(ui<QComboBox>("Combo_Sex")->currentIndex(), 0);
        ui<QLineEdit>("T_Job")->setText(QStringLiteral("新"));
        QTest::mouseClick(ui<QPushButton>("Cmd_Save"), Qt::LeftButton);
        QCOMPARE(stored(t->db, 0), QStringLiteral("宾客1|女|同学|旧|||2"));
        QCOMPARE(stored(t->db, 1), QStringLiteral("宾客2|-|同学|新|||2"));
        QCOMPARE(cell(*w, 1, 3), QStringLiteral("新"));
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));

        // Loading one guest and then another changes the one loaded last.
        doubleClickRow(*w, 1);
        doubleClickRow(*w, 0);
        ui<QLineEdit>("T_Name")->setText(QStringLiteral("甲"));
        QTest::keyClick(ui("T_Name"), Qt::Key_Return);
        QCOMPARE(stored(t->db, 0) + stored(t->db, 1), QStringLiteral("甲|女|同学|旧|||2宾客2|-|同学|新|||2"));
    }

    // Catches rows read from the wrong page, Delete removing a merely clicked cell or the wrong rows,
    // and a change to a guest deleted meanwhile landing on another guest or losing what was typed.
    void deleteKeyAndAChangeToADeletedGuest()
    {
        openOn(450);
        for (const int row : {449, 0, 199, 200, 317}) // out of order, over three pages
            QCOMPARE(cell(*w, row), QStringLiteral("宾客%1").arg(row + 1));
        doubleClickRow(*w, 1); // the single clicked cell is no pick: Delete does nothing
        QTest::keyClick(grid(*w), Qt::Key_Delete);
        QCOMPARE(t->db.rowsOf(QStringLiteral("Guests"), 2), 450);
        ui<QLineEdit>("T_Name")->setText(QStringLiteral("宾客2改"));

        pickRow(*w, 1);
        pickRow(*w, 3, Qt::ControlModifier);
        grid(*w)->scrollTo(grid(*w)->model()->index(250, 0));
        pickRow(*w, 250, Qt::ControlModifier);
        QTest::keyClick(grid(*w), Qt::Key_Delete);
        QCOMPARE(t->db
                     .scalar(QStringLiteral("SELECT count(*) FROM Guests WHERE Name IN ('宾客2', '宾客4', "
                                            "'宾客251')"))
                     .toInt(),
                 0);
        QCOMPARE(t->db.rowsOf(QStringLiteral("Guests"), 2), 447);
        QCOMPARE(cell(*w, 2) + cell(*w, 247) + cell(*w, 446), QStringLiteral("宾客5宾客250宾客450"));
        QCOMPARE(t->messages.count(), 0);

        const QString before = t->db.snapshot();
        QTest::mouseClick(ui<QPushButton>("Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t->db.snapshot(), before);
        QVERIFY(lastMessage().contains(QStringLiteral("修改未能保存")));
        // What was typed is still there and is saved as a new guest.
        QTest::mouseClick(ui<QPushButton>("Cmd_Save"), Qt::LeftButton);
        QCOMPARE(cell(*w, 447), QStringLiteral("宾客2改"));
        QCOMPARE(t->db.rowsOf(QStringLiteral("Guests"), 2), 448);
    }

    // Catches clearing without asking, and other styles' guests or the style itself removed.
    void clearingEmptiesOnlyThisStyle()
    {
        t->db.addStyle(1, QStringLiteral("一"), 0, 4);
        openOn(6);
        const QString before = t->db.snapshot();
        t->messages.setNextAnswer(false);
        QTest::mouseClick(ui<QPushButton>("Cmd_CleanAll"), Qt::LeftButton);
        QCOMPARE(lastMessage(), QStringLiteral("用户确认: 确定要清空宾客名单吗？"));
        QCOMPARE(t->db.snapshot(), before);

        t->messages.setNextAnswer(true);
        QTest::mouseClick(ui<QPushButton>("Cmd_CleanAll"), Qt::LeftButton);
        QCOMPARE(t->db.rowsOf(QStringLiteral("Guests"), 2), 0);
        QCOMPARE(t->db.rowsOf(QStringLiteral("Guests"), 1), 4);
        QCOMPARE(t->db.rowsOf(QStringLiteral("Main"), 2), 1);
        QCOMPARE(grid(*w)->model()->rowCount(), 0);
        QVERIFY(!ui<QPushButton>("Cmd_CleanAll")->isEnabled());
        QCOMPARE(lastMessage(), QStringLiteral("告知: 宾客名单已清空。"));
    }
};

QTEST_MAIN(tst_w_addguest)
#include "tst_w_addguest.moc"
