// The guest list window driven through its controls: opening, adding, changing a double-clicked
// guest, the saved notice, deleting with the Delete key, clearing, and the main window's reload.
#include "guests/w_AddGuest.h"
#include "printing/w_Main.h"
#include "support/TestSession.h"

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

template <typename T = QWidget> T* child(QWidget& w, const char* name)
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

void open(w_AddGuest& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

QString cell(QWidget& w, int row, int column)
{
    return grid(w)->model()->index(row, column).data().toString();
}

// Types as a user does: ASCII on the keyboard, anything else committed by the input method.
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

// Fills the fields; `sex` is the entry of Combo_Sex to pick (-1: leave it as it is).
void fill(w_AddGuest& w, const QString& name, int sex, const QString& connection = QString(),
          const QString& job = QString(), const QString& contact = QString(),
          const QString& remark = QString())
{
    edit(w, "T_Name")->clear();
    typeText(edit(w, "T_Name"), name);
    if (sex >= 0)
        child<QComboBox>(w, "Combo_Sex")->setCurrentIndex(sex);
    child<QComboBox>(w, "Combo_Connection")->setCurrentText(QString());
    typeText(child<QComboBox>(w, "Combo_Connection"), connection);
    for (const auto& [field, text] :
         {std::pair{"T_Job", job}, {"T_Contact", contact}, {"T_Remark", remark}}) {
        edit(w, field)->clear();
        typeText(edit(w, field), text);
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

// Name, Sex, Connection, Job, Contact, Remark, SaveTime and ListID of a guest; NULL as QVariant().
QVariantList guestRow(TestDatabase& db, qint64 guestId)
{
    QVariantList values;
    for (const char* column :
         {"Name", "Sex", "Connection", "Job", "Contact", "Remark", "SaveTime", "ListID"}) {
        const QVariant value = db.scalar(
            QStringLiteral("SELECT %1 FROM Guests WHERE GuestID = ?").arg(QLatin1String(column)), {guestId});
        values << (value.isNull() ? QVariant() : value);
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
        for (const auto& [id, rows] : {std::pair{1, 0}, {2, 3}}) {
            t.choose(id, QStringLiteral("样式%1").arg(id));
            t.state.AddingNew = false; // as an earlier window may leave it
            w_AddGuest w(t.session);
            QCOMPARE(child<QLabel>(w, "L_Title")->text(), t.state.CurrentListName);
            open(w);
            QVERIFY(t.state.AddingNew);
            QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
            QCOMPARE(grid(w)->model()->rowCount(), rows);
            QCOMPARE(button(w, "Cmd_CleanAll")->isEnabled(), rows > 0);
            QVERIFY(!child(w, "F_saved")->isVisible());
            QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentIndex(), -1);
            QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QString());

            // Double-clicking where there is no guest changes nothing.
            QTest::mouseDClick(grid(w)->viewport(), Qt::LeftButton, {},
                               QPoint(5, grid(w)->viewport()->height() - 5));
            QVERIFY(t.state.AddingNew);

            if (rows == 0)
                continue;
            // Tab walks the fields, then the buttons, then the grid.
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
    }

    void addingStoresTheFieldsAndShowsTheNotice()
    {
        TestSession t;
        t.db.addStyle(4, QStringLiteral("寿宴"));
        t.choose(4, QStringLiteral("寿宴"));
        w_AddGuest w(t.session);
        open(w);

        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        fill(w, QStringLiteral("  张三 "), 1, QStringLiteral("  老乡 "), QStringLiteral(" 某公司 "),
             QStringLiteral(" 138 0000 "), QStringLiteral(" 坐第一桌 "));
        QTest::keyClick(edit(w, "T_Remark"), Qt::Key_Return); // Enter saves from any field
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        const QVariantList row =
            guestRow(t.db, t.db.scalar(QStringLiteral("SELECT GuestID FROM Guests")).toLongLong());
        QCOMPARE(row.mid(0, 6), (QVariantList{QStringLiteral("张三"), QStringLiteral("男"),
                                              QStringLiteral("  老乡 "), QStringLiteral("某公司"),
                                              QStringLiteral("138 0000"), QStringLiteral("坐第一桌")}));
        const QDateTime saved =
            QDateTime::fromString(row.at(6).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(saved >= before && saved <= after, qPrintable(row.at(6).toString()));
        QCOMPARE(row.at(7).toInt(), 4);

        // Everything but the sex is emptied, the notice shows, and the name field waits for the next.
        QCOMPARE(cell(w, 0, 0), QStringLiteral("张三"));
        for (const char* name : {"T_Name", "T_Job", "T_Contact", "T_Remark"})
            QCOMPARE(edit(w, name)->text(), QString());
        QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QString());
        QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentText(), QStringLiteral("男"));
        QVERIFY(child(w, "F_saved")->isVisible());
        QCOMPARE(child<QLabel>(w, "L_state")->text(), QStringLiteral("宾客已添加至名单。可直接继续添加。"));
        QVERIFY(button(w, "Cmd_CleanAll")->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_Name"));

        // Typing the next name hides the notice. The empty sex entry stores no sex; Enter in the
        // editable relation list saves as well.
        typeText(edit(w, "T_Name"), QStringLiteral("李"));
        QVERIFY(!child(w, "F_saved")->isVisible());
        fill(w, QStringLiteral("李四"), 0, QStringLiteral("同事"));
        QTest::keyClick(child<QComboBox>(w, "Combo_Connection"), Qt::Key_Return);
        QCOMPARE(grid(w)->model()->rowCount(), 2);
        QCOMPARE(cell(w, 1, 0), QStringLiteral("李四"));
        QVERIFY(t.db.scalar(QStringLiteral("SELECT Sex FROM Guests WHERE Name = '李四'")).isNull());

        // Leaving the name field hides the notice too.
        QVERIFY(child(w, "F_saved")->isVisible());
        QTest::keyClick(edit(w, "T_Name"), Qt::Key_Tab);
        QVERIFY(!child(w, "F_saved")->isVisible());
        QCOMPARE(t.messages.count(), 0);
    }

    void blankNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("ideographic spaces") << QStringLiteral("\u3000 \u3000");
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
        QCOMPARE(edit(w, "T_Job")->text(), QStringLiteral("单位"));
        QTRY_COMPARE(QApplication::focusWidget(), edit(w, "T_Name"));
    }

    void doubleClickLoadsAGuestAndSaveChangesOnlyThatGuest()
    {
        TestSession t;
        t.db.addStyle(3, QStringLiteral("婚宴"));
        // Two guests saved in the same second, the second without a sex.
        const QString second = QStringLiteral("2026-05-01 12:00:00");
        for (const auto& [name, sex] : {std::pair{"甲", QVariant(QStringLiteral("女"))}, {"乙", QVariant()}})
            t.db.exec(
                QStringLiteral("INSERT INTO Guests (ListID, Name, Sex, Connection, Job, Contact, Remark, "
                               "SaveTime) VALUES (3, ?, ?, '同学', '旧单位', '电话', '备注', ?)"),
                {QString::fromUtf8(name), sex, second});
        const qint64 first = t.db.scalar(QStringLiteral("SELECT min(GuestID) FROM Guests")).toLongLong();
        t.choose(3, QStringLiteral("婚宴"));
        w_AddGuest w(t.session);
        open(w);

        // A guest without a sex shows the empty entry, not whatever was shown before.
        child<QComboBox>(w, "Combo_Sex")->setCurrentIndex(1);
        doubleClickRow(w, 1);
        QVERIFY(!t.state.AddingNew);
        QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("修改保存(&S)"));
        QCOMPARE(edit(w, "T_Name")->text(), QStringLiteral("乙"));
        QCOMPARE(child<QComboBox>(w, "Combo_Sex")->currentIndex(), 0);
        QCOMPARE(child<QComboBox>(w, "Combo_Connection")->currentText(), QStringLiteral("同学"));

        edit(w, "T_Job")->setText(QStringLiteral("新单位"));
        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QCOMPARE(
            guestRow(t.db, first + 1),
            (QVariantList{QStringLiteral("乙"), QVariant(), QStringLiteral("同学"), QStringLiteral("新单位"),
                          QStringLiteral("电话"), QStringLiteral("备注"), second, 3}));
        QCOMPARE(guestRow(t.db, first).at(3).toString(), QStringLiteral("旧单位"));
        QCOMPARE(cell(w, 1, 3), QStringLiteral("新单位"));
        QVERIFY(t.state.AddingNew);
        QCOMPARE(button(w, "Cmd_Save")->text(), QStringLiteral("添加保存(&S)"));
        QVERIFY(child(w, "F_saved")->isVisible());

        // Loading one guest and then another changes the one loaded last.
        doubleClickRow(w, 1);
        doubleClickRow(w, 0);
        edit(w, "T_Name")->setText(QStringLiteral("甲改"));
        QTest::keyClick(edit(w, "T_Name"), Qt::Key_Return);
        QCOMPARE(guestRow(t.db, first).mid(0, 2),
                 (QVariantList{QStringLiteral("甲改"), QStringLiteral("女")}));
        QCOMPARE(guestRow(t.db, first + 1).at(0).toString(), QStringLiteral("乙"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 3), 2);
    }

    void deleteKeyRemovesPickedGuestsOnly()
    {
        TestSession t;
        t.db.addStyle(2, QStringLiteral("二"), 0, 5);
        t.choose(2, QStringLiteral("二"));
        w_AddGuest w(t.session);
        open(w);

        // A single cell is not a pick: Delete does nothing.
        QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, {},
                          grid(w)->visualRect(grid(w)->model()->index(0, 0)).center());
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Guests"), 2), 5);

        pickRow(w, 1);
        pickRow(w, 3, Qt::ControlModifier);
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT group_concat(Name, ',') FROM Guests")).toString(),
                 QStringLiteral("宾客1,宾客3,宾客5"));
        QCOMPARE(grid(w)->model()->rowCount(), 3);
        QCOMPARE(cell(w, 2, 0), QStringLiteral("宾客5"));
        QCOMPARE(t.messages.count(), 0); // no question is asked
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
        const QString before = t.db.snapshot();

        QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        QCOMPARE(t.db.snapshot(), before); // no other guest took the change
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("修改未能保存")));
        QVERIFY(t.state.AddingNew);
        QVERIFY(!child(w, "F_saved")->isVisible());

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

        // With the file held by another program the list is not cleared, and not said to be.
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
    }

    void closingReloadsTheMainWindow()
    {
        TestSession t;
        t.db.addStyle(5, QStringLiteral("五"), 2, 3);
        w_Main m(t.session);
        m.show();
        t.choose(5, QStringLiteral("五"));
        m.requestReload();
        QLabel* count = m.findChild<QLabel*>(QStringLiteral("L_Guests"));
        QTRY_COMPARE(count->text(), QStringLiteral("3"));

        w_AddGuest w(t.session, &m);
        open(w);
        for (const QString& name : {QStringLiteral("新甲"), QStringLiteral("新乙")}) {
            fill(w, name, -1);
            QTest::mouseClick(button(w, "Cmd_Save"), Qt::LeftButton);
        }
        QTest::mouseClick(button(w, "Cmd_Cancel"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QTRY_COMPARE(count->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(tst_w_addguest)
#include "tst_w_addguest.moc"
