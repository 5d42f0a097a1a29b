// The guest list window driven through its controls: opening, adding, changing a double-clicked
// guest, the saved notice, deleting with the Delete key, clearing, and the main window's reload.
#include "guests/w_AddGuest.h"
#include "printing/w_Main.h"
#include "support/TestSession.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T* child(QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QLineEdit* edit(QWidget& w, const char* name)
{
    return child<QLineEdit>(w, name);
}

QPushButton* button(QWidget& w, const char* name)
{
    return child<QPushButton>(w, name);
}

QTableView* grid(QWidget& w)
{
    return child<QTableView>(w, "DG_Edit");
}

QWidget* notice(QWidget& w)
{
    return child<QWidget>(w, "F_saved");
}

// Shows the window and waits for its grid to load.
void open(w_AddGuest& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

QString cell(QWidget& w, int row, int column)
{
    QAbstractItemModel* model = grid(w)->model();
    return model->data(model->index(row, column)).toString();
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

// Fills the six fields as a user does; `sex` is the entry index of Combo_Sex (-1: leave it).
void fill(w_AddGuest& w, const QString& name, int sex, const QString& connection,
          const QString& job = QString(), const QString& contact = QString(),
          const QString& remark = QString())
{
    edit(w, "T_Name")->clear();
    typeText(edit(w, "T_Name"), name);
    if (sex >= 0)
        child<QComboBox>(w, "Combo_Sex")->setCurrentIndex(sex);
    child<QComboBox>(w, "Combo_Connection")->setCurrentText(QString());
    typeText(child<QComboBox>(w, "Combo_Connection"), connection);
    for (const auto& [name, text] : {std::pair{"T_Job", job}, {"T_Contact", contact}, {"T_Remark", remark}}) {
        edit(w, name)->clear();
        typeText(edit(w, name), text);
    }
}

// Double-clicks a cell of the grid.
void doubleClickRow(w_AddGuest& w, int row)
{
    QTableView* view = grid(w);
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Picks a whole row by its selector at the left of the grid.
void pickRow(w_AddGuest& w, int row, Qt::KeyboardModifiers modifiers = {})
{
    QHeaderView* selector = grid(w)->verticalHeader();
    const int y = selector->sectionViewportPosition(row) + selector->sectionSize(row) / 2;
    QTest::mouseClick(selector->viewport(), Qt::LeftButton, modifiers, QPoint(selector->width() / 2, y));
}

QVariantList guestRow(TestDatabase& db, qint64 guestId)
{
    QVariantList values;
    for (const char* column :
         {"Name", "Sex", "Connection", "Job", "Contact", "Remark", "SaveTime", "ListID"}) {
        const QVariant value = db.scalar(
            QStringLiteral("SELECT %1 FROM Guests WHERE GuestID = ?").arg(QLatin1String(column)), {guestId});
        values << (value.isNull() ? QVariant() : value); // a NULL column, whatever type the driver gives it
    }
    return values;
}

} // namespace

class tst_w_addguest : public QObject
{
    Q_OBJECT

private slots:
    void opensInAddModeWithTheStylesGuests()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("空样式"));
        t.db.addStyle(2, QStringLiteral("婚宴"), 0, 3);
        for (const auto& [id, name, rows] : {std::tuple{1, "空样式", 0}, {2, "婚宴", 3}}) {
            t.choose(id, QString::fromUtf8(name));
            t.state.AddingNew = false; // left so by an earlier window
            w_AddGuest w(t.session);
            QCOMPARE(w.windowTitle(), QStringLiteral("宾客名单管理"));
            QCOMPARE(child<QLabel>(w, "L_Title")->text(), QString::fromUtf8(name));
            open(w);
            QVERIFY(t.state.AddingNew);
            QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
            QCOMPARE(grid(w)->model()->rowCount(), rows);
            QCOMPARE(button(w, "Cmd_CleanAll")->isEnabled(), rows > 0);
            QVERIFY(!notice(w)->isVisible());
            QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentIndex(), -1);
            QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QString());
            if (rows > 0)
                QCOMPARE(cell(w, 2, 0), QStringLiteral("宾客3"));

            // Double-clicking an empty grid changes nothing.
            QTest::mouseDClick(grid(w)->viewport(), Qt::LeftButton, {},
                               QPoint(5, grid(w)->viewport()->height() - 5));
            QVERIFY(t.state.AddingNew);
        }

        QStringList headers;
        w_AddGuest w(t.session);
        for (int c = 0; c < grid(w)->model()->columnCount(); ++c)
            headers << grid(w)->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers,
                 (QStringList{QStringLiteral("宾客姓名"), QStringLiteral("性别"), QStringLiteral("关系"),
                              QStringLiteral("职业"), QStringLiteral("联系方式"), QStringLiteral("备注")}));
        QCOMPARE(child<QLabel>(w, "Label8")->text(),
                 QStringLiteral(
                     "修改：双击需要修改的条目。删除：点击左边的箭头选中需要删除的条目按\"Delete\"键。"));

        // Tab walks the fields, then the buttons, then the grid.
        open(w);
        QStringList order;
        edit(w, "T_Name")->setFocus();
        for (int i = 0; i < 10; ++i) {
            QWidget* at = QApplication::focusWidget();
            if (qobject_cast<QComboBox*>(at->parentWidget()))
                at = at->parentWidget(); // the typing field of an editable list
            order << at->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"T_Name", "Combo_Sex", "Combo_Connection", "T_Job", "T_Contact",
                                     "T_Remark", "Cmd_Save", "Cmd_CleanAll", "Cmd_Cancel", "DG_Edit"}));
    }

    void addingStoresTheFieldsAndShowsTheNotice()
    {
        TestSession t;
        t.db.addStyle(4, QStringLiteral("寿宴"));
        t.choose(4, QStringLiteral("寿宴"));
        w_AddGuest w(t.session);
        open(w);
        QVERIFY(!button(w, "Cmd_CleanAll")->isEnabled());

        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        fill(w, QStringLiteral("  张三 "), 1, QStringLiteral("  老乡 "), QStringLiteral(" 某公司 "),
             QStringLiteral(" 138 0000 "), QStringLiteral(" 坐第一桌 "));
        QTest::keyClick(edit(w, "T_Remark"), Qt::Key_Return); // Enter saves from any field
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 4), 1);
        const qint64 id = t.db.scalar(QStringLiteral("SELECT GuestID FROM Guests")).toLongLong();
        const QVariantList row = guestRow(t.db, id);
        QCOMPARE(row.mid(0, 6), (QVariantList{QStringLiteral("张三"), QStringLiteral("男"),
                                              QStringLiteral("  老乡 "), QStringLiteral("某公司"),
                                              QStringLiteral("138 0000"), QStringLiteral("坐第一桌")}));
        const QDateTime saved =
            QDateTime::fromString(row.at(6).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(saved >= before && saved <= after, qPrintable(row.at(6).toString()));
        QCOMPARE(row.at(7).toInt(), 4);

        // Everything but the sex is emptied, the notice shows and the name field waits for the next one.
        QCOMPARE(cell(w, 0, 0), QStringLiteral("张三"));
        QCOMPARE(cell(w, 0, 2), QStringLiteral("  老乡 "));
        for (const char* name : {"T_Name", "T_Job", "T_Contact", "T_Remark"})
            QCOMPARE(edit(w, name)->text(), QString());
        QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QString());
        QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentText(), QStringLiteral("男"));
        QVERIFY(notice(w)->isVisible());
        QCOMPARE(child<QLabel>(w, "L_state")->text(), QStringLiteral("宾客已添加至名单。可直接继续添加。"));
        QVERIFY(button(w, "Cmd_CleanAll")->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_Name"));

        // Typing the next name hides the notice; the next guest goes after the first, with no sex
        // when the empty entry is chosen; Enter in the relation box saves too.
        typeText(edit(w, "T_Name"), QStringLiteral("李"));
        QVERIFY(!notice(w)->isVisible());
        fill(w, QStringLiteral("李四"), 0, QStringLiteral("同事"));
        QTest::keyClick(child<QComboBox>(w, "Combo_Connection"), Qt::Key_Return);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 4), 2);
        QCOMPARE(grid(w)->model()->rowCount(), 2);
        QCOMPARE(cell(w, 1, 0), QStringLiteral("李四"));
        QVERIFY(t.db.scalar(QStringLiteral("SELECT Sex FROM Guests WHERE Name = '李四'")).isNull());
        QCOMPARE(child<QComboBox>(w, "Combo_Connection")->count(), 6); // typed relations are not offered

        // Leaving the name field also hides the notice.
        QVERIFY(notice(w)->isVisible());
        QTest::keyClick(edit(w, "T_Name"), Qt::Key_Tab);
        QVERIFY(!notice(w)->isVisible());

        // Quotes, wildcards and any Unicode are plain text.
        fill(w, QStringLiteral("O'Brien %_ 😀"), -1, QStringLiteral("'%"));
        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT count(*) FROM Guests WHERE Name = ? AND Connection = ?"),
                             {QStringLiteral("O'Brien %_ 😀"), QStringLiteral("'%")})
                     .toInt(),
                 1);
        QCOMPARE(t.messages.count(), 0);
    }

    void blankNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("ideographic space") << QStringLiteral("\u3000 \u3000");
    }

    void blankNamesAreRefused()
    {
        QFETCH(QString, name);
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 0, 2);
        t.choose(1, QStringLiteral("一"));
        w_AddGuest w(t.session);
        open(w);
        const QString before = t.db.snapshot();
        fill(w, name, 2, QStringLiteral("朋友"), QStringLiteral("单位"));
        QTest::keyClick(edit(w, "T_Job"), Qt::Key_Return);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Exclamation);
        QCOMPARE(t.messages.last().title, QStringLiteral("缺少必要项目"));
        QCOMPARE(t.messages.last().text, QStringLiteral("请输入宾客姓名。"));
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(edit(w, "T_Job")->text(), QStringLiteral("单位")); // nothing else changes
        QVERIFY(!notice(w)->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_Name"));
    }

    void doubleClickLoadsAGuestAndSaveChangesOnlyThatGuest()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("婚宴"));
        // Two guests saved in the same second, one of them without a sex.
        const QString second = QStringLiteral("2026-05-01 12:00:00");
        for (const auto& [name, sex] : {std::pair{"甲", QVariant(QStringLiteral("女"))}, {"乙", QVariant()}})
            t.db.exec(
                QStringLiteral("INSERT INTO Guests (ListID, Name, Sex, Connection, Job, Contact, Remark, "
                               "SaveTime) VALUES (3, ?, ?, '同学', '旧单位', '电话', '备注', ?)"),
                {QString::fromUtf8(name), sex, second});
        t.choose(3, QStringLiteral("婚宴"));
        w_AddGuest w(t.session);
        open(w);
        const qint64 first = t.db.scalar(QStringLiteral("SELECT min(GuestID) FROM Guests")).toLongLong();
        const qint64 other = first + 1;

        // The shown sex of a guest without one is the empty entry, not the one shown before.
        child<QComboBox>(w, "Combo_Sex")->setCurrentIndex(1);
        doubleClickRow(w, 1);
        QVERIFY(!t.state.AddingNew);
        QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("修改保存(&S)"));
        QCOMPARE(edit(w, "T_Name")->text(), QStringLiteral("乙"));
        QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentIndex(), 0);
        QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QStringLiteral("同学"));
        QCOMPARE(edit(w, "T_Job")->text(), QStringLiteral("旧单位"));
        QCOMPARE(edit(w, "T_TimeSign")->text(), second);

        edit(w, "T_Job")->setText(QStringLiteral("新单位"));
        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QVariantList expected{QStringLiteral("乙"),
                              QVariant(),
                              QStringLiteral("同学"),
                              QStringLiteral("新单位"),
                              QStringLiteral("电话"),
                              QStringLiteral("备注"),
                              second,
                              3};
        QCOMPARE(guestRow(t.db, other), expected);
        QCOMPARE(guestRow(t.db, first).at(3).toString(), QStringLiteral("旧单位"));
        QCOMPARE(cell(w, 1, 3), QStringLiteral("新单位"));
        QVERIFY(t.state.AddingNew);
        QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
        QVERIFY(notice(w)->isVisible());
        QCOMPARE(edit(w, "T_Name")->text(), QString());

        // Loading one guest, then another, changes the one loaded last.
        doubleClickRow(w, 1);
        doubleClickRow(w, 0);
        QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentText(), QStringLiteral("女"));
        edit(w, "T_Name")->setText(QStringLiteral("甲改"));
        QTest::keyClick(edit(w, "T_Name"), Qt::Key_Return);
        QCOMPARE(guestRow(t.db, first).at(0).toString(), QStringLiteral("甲改"));
        QCOMPARE(guestRow(t.db, first).at(1).toString(), QStringLiteral("女"));
        QCOMPARE(guestRow(t.db, other).at(0).toString(), QStringLiteral("乙"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 3), 2);
        QCOMPARE(t.messages.count(), 0);
    }

    void deleteKeyRemovesPickedGuestsOnly()
    {
        TestSession t;
        t.db.addStyle(2, QStringLiteral("二"), 0, 5);
        t.choose(2, QStringLiteral("二"));
        w_AddGuest w(t.session);
        open(w);

        // A cell alone is not a pick: Delete does nothing.
        QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, {},
                          grid(w)->visualRect(grid(w)->model()->index(0, 0)).center());
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 5);

        pickRow(w, 1);
        pickRow(w, 3, Qt::ControlModifier);
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 3);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT group_concat(Name, ',') FROM Guests")).toString(),
                 QStringLiteral("宾客1,宾客3,宾客5"));
        QCOMPARE(grid(w)->model()->rowCount(), 3);
        QCOMPARE(cell(w, 1, 0), QStringLiteral("宾客3"));
        QCOMPARE(cell(w, 2, 0), QStringLiteral("宾客5"));
        QCOMPARE(t.messages.count(), 0); // no question is asked

        // Deleting every guest through the grid leaves the clear button as it was.
        grid(w)->selectAll();
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 0);
        QVERIFY(button(w, "Cmd_CleanAll")->isEnabled());
    }

    void changingAGuestDeletedMeanwhileLosesNothing()
    {
        TestSession t;
        t.db.addStyle(2, QStringLiteral("二"), 0, 3);
        t.choose(2, QStringLiteral("二"));
        w_AddGuest w(t.session);
        open(w);
        doubleClickRow(w, 1);
        edit(w, "T_Name")->setText(QStringLiteral("宾客2改"));
        pickRow(w, 1);
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 2);
        const QString before = t.db.snapshot();

        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t.db.snapshot(), before); // no other guest took the change
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("修改未能保存")));
        QVERIFY(t.state.AddingNew);
        QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
        QVERIFY(!notice(w)->isVisible());

        // What was typed is still there and can be saved as a new guest.
        QCOMPARE(edit(w, "T_Name")->text(), QStringLiteral("宾客2改"));
        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 3);
        QCOMPARE(cell(w, 2, 0), QStringLiteral("宾客2改"));
    }

    void clearingEmptiesOnlyThisStyle()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 0, 4);
        t.db.addStyle(2, QStringLiteral("二"), 1, 6);
        t.choose(2, QStringLiteral("二"));
        w_AddGuest w(t.session);
        open(w);
        const QString before = t.db.snapshot();

        t.messages.setNextAnswer(false);
        QTest::mouseClick(button(w, "Cmd_CleanAll"), Qt::LeftButton);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Question);
        QCOMPARE(t.messages.last().title, QStringLiteral("用户确认"));
        QCOMPARE(t.messages.last().text, QStringLiteral("确定要清空宾客名单吗？"));
        QCOMPARE(t.db.snapshot(), before);
        QVERIFY(button(w, "Cmd_CleanAll")->isEnabled());

        // A file held by another program: the list is not cleared, and not said to be.
        t.messages.setNextAnswer(true);
        t.db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        QTest::mouseClick(button(w, "Cmd_CleanAll"), Qt::LeftButton);
        t.db.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(grid(w)->model()->rowCount(), 6);

        t.messages.setNextAnswer(true);
        QTest::mouseClick(button(w, "Cmd_CleanAll"), Qt::LeftButton);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 1), 4);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 2), 1);
        QCOMPARE(grid(w)->model()->rowCount(), 0);
        QVERIFY(!button(w, "Cmd_CleanAll")->isEnabled());
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Information);
        QCOMPARE(t.messages.last().title, QStringLiteral("告知"));
        QCOMPARE(t.messages.last().text, QStringLiteral("宾客名单已清空。"));

        fill(w, QStringLiteral("新客"), -1, QString());
        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QVERIFY(button(w, "Cmd_CleanAll")->isEnabled());
    }

    void closingReloadsTheMainWindow()
    {
        TestSession t;
        t.db.addStyle(5, QStringLiteral("五"), 2, 3);
        w_Main m(t.session);
        m.show();
        t.choose(5, QStringLiteral("五"));
        m.requestReload();
        QTRY_COMPARE(m.findChild<QLabel*>(QStringLiteral("L_Guests"))->text(), QStringLiteral("3"));

        w_AddGuest w(t.session, &m);
        open(w);
        for (const QString& name : {QStringLiteral("新甲"), QStringLiteral("新乙")}) {
            fill(w, name, -1, QString());
            QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        }
        QCOMPARE(m.findChild<QLabel*>(QStringLiteral("L_Guests"))->text(), QStringLiteral("3"));
        QTest::mouseClick(button(w, "Cmd_Cancel"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QTRY_COMPARE(m.findChild<QLabel*>(QStringLiteral("L_Guests"))->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(tst_w_addguest)
#include "tst_w_addguest.moc"
