// The guest list window driven through its controls.
#include "core/store/GuestGridModel.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/guests/w_AddGuest.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

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
    waitFor(w, "Timer1");
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

// The cells of `column` in the first `rows` rows of the grid, all of them by default.
QStringList shownColumn(w_AddGuest& w, int column = 0, int rows = -1)
{
    QStringList cells;
    for (int row = 0; row < (rows < 0 ? grid(w)->model()->rowCount() : rows); ++row)
        cells << cell(w, row, column);
    return cells;
}

// Clicks the heading of `column`, as a user sorts by it.
void clickHeading(w_AddGuest& w, int column)
{
    QHeaderView* headings = grid(w)->horizontalHeader();
    QTest::mouseClick(headings->viewport(), Qt::LeftButton, {},
                      QPoint(headings->sectionViewportPosition(column) + 5, headings->height() / 2));
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
        .scalar(u"SELECT printf('%s|%s|%s|%s|%s|%s|%s', Name, ifnull(Sex, '-'), Connection, "
                "Job, Contact, Remark, ListID) FROM Guests ORDER BY GuestID LIMIT 1 OFFSET ?"_s,
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
        t->db.addStyle(2, u"婚宴"_s, 1, guests);
        if (!sql.isEmpty())
            t->db.exec(sql);
        t->choose(2, u"婚宴"_s);
        w = std::make_unique<w_AddGuest>(t->session);
        open(*w);
        return *w;
    }

    template <typename T = QWidget> T* ui(const char* name) { return child<T>(*w, name); }
    QString lastMessage() { return t->messages.last().title + ": " + t->messages.last().text; }

private slots:
    void init() { w.reset(), t.emplace(); }

    // Catches a window that does not open in add mode or offers clearing an empty list, texts stored
    // untrimmed or altered (quotes, wildcards), 称谓, 同行, 桌号 or 人数 not stored or not shown, a save time
    // not to the second, fields not emptied after saving (the sex too: the next guest must not inherit it),
    // the focus not back on the name, the notice covering an input field, and the notice not shown or not
    // hidden on typing or leaving the name.
    void addingStoresTheGuestAndShowsTheNotice()
    {
        openOn(0);
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), u"添加保存(&S)"_s);
        QVERIFY(!ui("Cmd_CleanAll")->isEnabled() && !ui("F_saved")->isVisible());
        fill(*w, 1, {" O'Neil 张 ", "  老乡 ", " 100% ", " a_b ", " 坐第一桌 "});
        ui<QLineEdit>("T_Salutation")->setText(u" 教授 "_s);
        ui<QLineEdit>("T_Partner")->setText(u" 李娜 "_s);
        ui<QLineEdit>("T_Table")->setText(u" 8 "_s);
        ui<QSpinBox>("UD_Attending")->setValue(3);
        QTest::keyClick(ui("T_Remark"), Qt::Key_Return); // Enter saves from any field
        QCOMPARE(stored(t->db, 0), u"O'Neil 张|男|  老乡 |100%|a_b|坐第一桌|2"_s);
        QCOMPARE(t->db.scalar(u"SELECT Salutation || Partner || TableNo || Attending FROM Guests"_s),
                 QVariant(u"教授李娜83"_s));
        QCOMPARE(cell(*w, 0, 6) + cell(*w, 0, 7) + cell(*w, 0, 8) + cell(*w, 0, 9), u"教授李娜83"_s);
        QCOMPARE(ui<QSpinBox>("UD_Attending")->value(), 1);
        const QString saved = t->db.scalar(u"SELECT SaveTime FROM Guests"_s).toString();
        QVERIFY(qAbs(QDateTime::fromString(saved, u"yyyy-MM-dd HH:mm:ss"_s)
                         .secsTo(QDateTime::currentDateTime())) < 3);
        QCOMPARE(cell(*w, 0), u"O'Neil 张"_s);
        QCOMPARE(ui<QLineEdit>("T_Name")->text() + ui<QLineEdit>("T_Remark")->text() +
                     ui<QLineEdit>("T_Partner")->text() + ui<QLineEdit>("T_Table")->text(),
                 QString());
        QCOMPARE(ui<QComboBox>("Combo_Sex")->currentText(), QString());
        QVERIFY(ui("F_saved")->isVisible());
        QCOMPARE(ui<QLabel>("L_state")->text(), u"宾客已添加至名单。可直接继续添加。"_s);
        const QRect notice(ui("F_saved")->mapTo(w.get(), QPoint()), ui("F_saved")->size());
        for (const char* field :
             {"T_Name", "Combo_Sex", "Combo_Connection", "T_Job", "T_Contact", "T_Remark"}) {
            const QRect box(ui(field)->mapTo(w.get(), QPoint()), ui(field)->size());
            QVERIFY2(!notice.intersects(box), field);
        }
        QTRY_COMPARE(QApplication::focusWidget(), ui("T_Name"));
        QTest::keyClicks(ui("T_Name"), "Li");
        QVERIFY(!ui("F_saved")->isVisible());

        // The empty sex entry stores no sex; Enter in the relation list saves as well.
        fill(*w, 0, {u"李四"_s, u"同"_s});
        QTest::keyClick(ui<QComboBox>("Combo_Connection"), Qt::Key_Return);
        QCOMPARE(stored(t->db, 1), u"李四|-|同||||2"_s);
        QVERIFY(ui("F_saved")->isVisible());
        QTest::keyClick(ui("T_Name"), Qt::Key_Tab);
        QVERIFY(!ui("F_saved")->isVisible());
        QCOMPARE(t->messages.count(), 0);
    }

    void blankNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("ideographic spaces") << u"\u3000 \u3000"_s;
    }

    // Catches a guest stored without a name, or the other fields lost on refusal.
    void blankNamesAreRefused()
    {
        QFETCH(QString, name);
        openOn(2);
        const QString before = t->db.snapshot();
        fill(*w, 2, {name, u"朋友"_s, u"单位"_s});
        QTest::keyClick(ui("T_Job"), Qt::Key_Return);
        QCOMPARE(t->messages.count(), 1);
        QCOMPARE(lastMessage(), u"缺少必要项目: 请输入宾客姓名。"_s);
        QCOMPARE(t->db.snapshot(), before);
        QCOMPARE(ui<QLineEdit>("T_Job")->text(), u"单位"_s);
        QTRY_COMPARE(QApplication::focusWidget(), ui("T_Name"));
    }

    // Catches 同行 or 人数 not loaded for a change, a change landing on another guest saved in the
    // same second, a missing sex replaced by
    // the one shown before, the window staying in modify mode after the save, and a change
    // announced as an addition.
    void doubleClickedGuestIsChangedAlone()
    {
        openOn(2, u"UPDATE Guests SET Sex = CASE Name WHEN '宾客1' THEN '女' END, Job = '旧', "
                  "Connection = '同学', Contact = '', Remark = '', SaveTime = '2026-05-01 12:00:00', "
                  "Partner = '李娜', Attending = 3"_s);
        ui<QComboBox>("Combo_Sex")->setCurrentIndex(1);
        doubleClickRow(*w, 1);
        QCOMPARE(ui<QLineEdit>("T_Partner")->text() + QString::number(ui<QSpinBox>("UD_Attending")->value()),
                 u"李娜3"_s);
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), u"修改保存(&S)"_s);
        QCOMPARE(ui<QComboBox>("Combo_Sex")->currentIndex(), 0);
        ui<QLineEdit>("T_Job")->setText(u"新"_s);
        click(*w, "Cmd_Save");
        QCOMPARE(stored(t->db, 0), u"宾客1|女|同学|旧|||2"_s);
        QCOMPARE(stored(t->db, 1), u"宾客2|-|同学|新|||2"_s);
        QCOMPARE(cell(*w, 1, 3), u"新"_s);
        QCOMPARE(ui<QPushButton>("Cmd_Save")->text(), u"添加保存(&S)"_s);
        QVERIFY(ui("F_saved")->isVisible());
        QCOMPARE(ui<QLabel>("L_state")->text(), u"已保存修改。可直接继续添加。"_s);

        // Loading one guest and then another changes the one loaded last.
        doubleClickRow(*w, 1);
        doubleClickRow(*w, 0);
        ui<QLineEdit>("T_Name")->setText(u"甲"_s);
        QTest::keyClick(ui("T_Name"), Qt::Key_Return);
        QCOMPARE(stored(t->db, 0) + stored(t->db, 1), u"甲|女|同学|旧|||2宾客2|-|同学|新|||2"_s);
    }

    // Catches rows read from the wrong page, Delete removing a merely clicked cell or the wrong rows
    // or deleting without asking once for all of them, and a change to a guest deleted meanwhile
    // landing on another guest or losing what was typed.
    void deleteKeyAndAChangeToADeletedGuest()
    {
        openOn(450);
        for (const int row : {449, 0, 199, 200, 317}) // out of order, over three pages
            QCOMPARE(cell(*w, row), u"宾客%1"_s.arg(row + 1));
        doubleClickRow(*w, 1); // the single clicked cell is no pick: Delete does nothing
        QTest::keyClick(grid(*w), Qt::Key_Delete);
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 2), 450);
        ui<QLineEdit>("T_Name")->setText(u"宾客2改"_s);

        pickRow(*w, 1);
        pickRow(*w, 3, Qt::ControlModifier);
        grid(*w)->scrollTo(grid(*w)->model()->index(250, 0));
        pickRow(*w, 250, Qt::ControlModifier);
        QTest::keyClick(grid(*w), Qt::Key_Delete); // answered No
        QCOMPARE(t->messages.count(), 1);
        QCOMPARE(lastMessage(), u"用户确认: 删除选中的 3 位宾客？"_s);
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 2), 450);
        t->messages.setNextAnswer(true);
        QTest::keyClick(grid(*w), Qt::Key_Delete);
        QVERIFY(
            !t->db.scalar(u"SELECT 1 FROM Guests WHERE Name IN ('宾客2', '宾客4', '宾客251')"_s).isValid());
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 2), 447);
        QCOMPARE(cell(*w, 2) + cell(*w, 247) + cell(*w, 446), u"宾客5宾客250宾客450"_s);
        QCOMPARE(t->messages.count(), 2);

        const QString before = t->db.snapshot();
        click(*w, "Cmd_Save");
        QCOMPARE(t->db.snapshot(), before);
        QVERIFY(lastMessage().contains(u"修改未能保存"_s));
        // What was typed is still there and is saved as a new guest.
        click(*w, "Cmd_Save");
        QCOMPARE(cell(*w, 447), u"宾客2改"_s);
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 2), 448);
    }

    // Catches a heading click that selects the column instead of sorting, tables sorted as text (10
    // before 2) or ties out of entry order, guests without a value not last, a third click not
    // bringing back the order of entry, pages past the first read for the wrong guests once sorted,
    // and a change after sorting landing on another row.
    void headingsSortTheGrid()
    {
        openOn(450, u"UPDATE Guests SET TableNo = CASE Name WHEN '宾客1' THEN '10' WHEN '宾客2' "
                    "THEN '2' WHEN '宾客4' THEN '2' WHEN '宾客5' THEN '主桌' ELSE '' END"_s);
        clickHeading(*w, 8);
        QVERIFY(!grid(*w)->selectionModel()->hasSelection());
        QCOMPARE(shownColumn(*w, 0, 5), (QStringList{"宾客2", "宾客4", "宾客1", "宾客5", "宾客3"}));
        clickHeading(*w, 8);
        QCOMPARE(shownColumn(*w, 0, 4), (QStringList{"宾客5", "宾客1", "宾客2", "宾客4"}));
        QCOMPARE(cell(*w, 4), u"宾客3"_s);
        clickHeading(*w, 8);
        QCOMPARE(shownColumn(*w, 0, 3), (QStringList{"宾客1", "宾客2", "宾客3"}));
        QVERIFY(!grid(*w)->horizontalHeader()->isSortIndicatorShown());

        clickHeading(*w, 0);
        clickHeading(*w, 0); // by name, downwards: numbers in names compare by value
        QCOMPARE(cell(*w, 0) + cell(*w, 300) + cell(*w, 449), u"宾客450宾客150宾客1"_s);
        doubleClickRow(*w, 300);
        ui<QLineEdit>("T_Remark")->setText(u"改过"_s);
        QTest::mouseClick(ui<QPushButton>("Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t->db.scalar(u"SELECT Name FROM Guests WHERE Remark = '改过'"_s).toString(), u"宾客150"_s);
        QCOMPARE(cell(*w, 300, 5), u"改过"_s);
        QCOMPARE(t->messages.count(), 0);
    }

    // Catches another style's guests in the grid, clearing without asking, and other styles' guests
    // or the style itself removed.
    void clearingEmptiesOnlyThisStyle()
    {
        t->db.addStyle(1, u"一"_s, 0, 4);
        openOn(6);
        QCOMPARE(grid(*w)->model()->rowCount(), 6);
        const QString before = t->db.snapshot();
        t->messages.setNextAnswer(false);
        click(*w, "Cmd_CleanAll");
        QCOMPARE(lastMessage(), u"用户确认: 确定要清空宾客名单吗？"_s);
        QCOMPARE(t->db.snapshot(), before);

        t->messages.setNextAnswer(true);
        click(*w, "Cmd_CleanAll");
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 2), 0);
        QCOMPARE(t->db.rowsOf(u"Guests"_s, 1), 4);
        QCOMPARE(t->db.rowsOf(u"Main"_s, 2), 1);
        QCOMPARE(grid(*w)->model()->rowCount(), 0);
        QVERIFY(!ui<QPushButton>("Cmd_CleanAll")->isEnabled());
        QCOMPARE(lastMessage(), u"告知: 宾客名单已清空。"_s);
    }

    // Catches a card column that does not show each guest's last card (or reads a stale state the
    // spooler has since changed), and a filter that shows other guests than those in its state.
    void theCardColumnAndTheFilterFollowTheRecord()
    {
        const auto card = [](int guest, const char* state, int job = 0, int unknown = 0) {
            return u"INSERT INTO PrintRecord (ListID, GuestID, Name, JobID, State, JobUnknown, SentAt) "
                   "VALUES (2, %1, '', %2, '%3', %4, '2026-12-06 14:03:09.250')"_s.arg(guest)
                       .arg(job)
                       .arg(QString::fromUtf8(state))
                       .arg(unknown);
        };
        t->printer.stages[44] = SpooledJob{44, SpooledJob::Stage::Printed, {}, {}, 0, {}};
        for (const QString& sql : {card(1, "失败"), card(1, "已打印"), card(2, "失败"), card(3, "作废"),
                                   card(4, "已排队", 44), card(5, "已排队", 55, 1)})
            t->db.exec(sql);
        openOn(6);
        // Eleven columns and no sideways scrolling: 桌号 and 人数 stay in sight.
        QVERIFY2(
            grid(*w)->horizontalHeader()->length() <= grid(*w)->viewport()->width(),
            qPrintable(
                u"%1 > %2"_s.arg(grid(*w)->horizontalHeader()->length()).arg(grid(*w)->viewport()->width())));
        QCOMPARE(shownColumn(*w, GuestGridModel::PrintStateColumn),
                 QStringList({"已打印 12-06 14:03", "失败 12-06 14:03", "作废 12-06 14:03",
                              "已打印 12-06 14:03", "已排队（未确认） 12-06 14:03", "未打印"}));
        QVERIFY(grid(*w)
                    ->model()
                    ->index(4, GuestGridModel::PrintStateColumn)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(u"不记得"_s));

        const QList<QStringList> shown{{"宾客6"}, {"宾客5"}, {"宾客1", "宾客4"}, {"宾客2"}, {"宾客3"}};
        for (int filter = 1; filter <= 5; ++filter) {
            ui<QComboBox>("Combo_PrintFilter")->setCurrentIndex(filter);
            QCOMPARE(shownColumn(*w), shown.at(filter - 1));
        }
        ui<QComboBox>("Combo_PrintFilter")->setCurrentIndex(0);
        QCOMPARE(grid(*w)->model()->rowCount(), 6);
        QCOMPARE(t->messages.count(), 0);
    }

    // Catches spoiled marks on cards not selected or on earlier cards than the last, and a record
    // cleared without asking.
    void selectedGuestsAreMarkedSpoiledPrintedAndTheRecordCleared()
    {
        openOn(4, u"INSERT INTO PrintRecord (ListID, GuestID, State, SentAt) VALUES (2, 1, '已打印', ''), "
                  "(2, 1, '已打印', ''), (2, 3, '失败', ''), (1, 3, '已打印', '')"_s);
        QVERIFY(!ui("Cmd_Spoil")->isEnabled() && !ui("Cmd_PrintSelected")->isEnabled());
        pickRow(*w, 3);
        pickRow(*w, 2, Qt::ControlModifier);
        pickRow(*w, 0, Qt::ControlModifier);
        t->messages.setNextAnswer(true);
        click(*w, "Cmd_Spoil");
        QCOMPARE(
            t->db
                .scalar(
                    u"SELECT group_concat(State) FROM (SELECT State FROM PrintRecord ORDER BY RecordID)"_s)
                .toString(),
            u"已打印,作废,作废,已打印"_s);
        QVERIFY2(lastMessage().contains(u"已将 2 位宾客的请柬标记为作废。另外 1 位"_s),
                 qPrintable(lastMessage()));
        QCOMPARE(cell(*w, 2, GuestGridModel::PrintStateColumn), u"作废 "_s);

        const QString before = t->db.snapshot();
        click(*w, "Cmd_ClearRecord"); // answered No
        QCOMPARE(t->db.snapshot(), before);
        t->messages.setNextAnswer(true);
        click(*w, "Cmd_ClearRecord");
        QCOMPARE(t->db.rowsOf(u"PrintRecord"_s, 2), 0);
        QCOMPARE(t->db.rowsOf(u"PrintRecord"_s, 1), 1);
        QCOMPARE(cell(*w, 0, GuestGridModel::PrintStateColumn), u"未打印"_s);
        // Only the clearing that was made took a snapshot to undo it with.
        QCOMPARE(t->db.backups().filter(u"清除打印记录"_s).size(), 1);
    }
};

QTEST_MAIN(tst_w_addguest)
#include "tst_w_addguest.moc"
