// The label and print settings window driven through its controls, with the label and move windows
// it opens: loading, the guest-name setting, adding and changing labels, grid edits and deletions,
// clearing and moving.
#include "labels/w_PRNSet.h"
#include "styles/w_QJList.h"
#include "support/TestSession.h"
#include "LabelTestTools.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

#include <functional>

namespace {

QPushButton* button(QWidget& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

QTableView* grid(QWidget& w)
{
    return w.findChild<QTableView*>(QStringLiteral("DG_PRN"));
}

void open(w_PRNSet& w)
{
    w.show();
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

bool labelButtonsEnabled(w_PRNSet& w)
{
    const bool enabled = button(w, "Cmd_CleanUp")->isEnabled();
    if (button(w, "Cmd_Move")->isEnabled() != enabled)
        qFatal("Cmd_CleanUp and Cmd_Move out of step");
    return enabled;
}

// Runs `act` on the next modal window opened over `opener`, while `opener` waits for it.
void onNextModal(QWidget* opener, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(opener);
    QObject::connect(poll, &QTimer::timeout, opener, [poll, opener, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == opener)
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start(5);
}

QString cellText(w_PRNSet& w, int row, int column)
{
    return grid(w)->model()->index(row, column).data().toString();
}

} // namespace

class tst_w_prnset : public QObject
{
    Q_OBJECT

private slots:
    void theStyleChooserOpensItOnThePickedStyle()
    {
        TestSession t;
        t.db.addStyle(4, QStringLiteral("寿宴"), 2);
        w_QJList chooser(t.session);
        chooser.show();
        auto* styles = chooser.findChild<QComboBox*>(QStringLiteral("Combo_QJList"));
        QTRY_COMPARE(styles->count(), 1);
        styles->setCurrentIndex(0);
        QString title;
        int rows = -1;
        onNextModal(&chooser, [&](QWidget* settings) {
            QTRY_VERIFY(!settings->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
            title = settings->findChild<QLabel*>(QStringLiteral("L_Title"))->text();
            rows = grid(*settings)->model()->rowCount();
            click(*settings, "Cmd_Close");
        });
        click(chooser, "Cmd_Edit");
        QCOMPARE(title, QStringLiteral("寿宴"));
        QCOMPARE(rows, 2);
    }

    void newStyleNeedsAFontAndTakesPositionsTrimmed()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("婚宴"));
        t.choose(1, QStringLiteral("婚宴"));
        w_PRNSet w(t.session);
        open(w);
        QCOMPARE(w.windowTitle(), QStringLiteral("标签与打印设置"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("L_Title"))->text(), QStringLiteral("婚宴"));
        QCOMPARE(box(w, "T_GX")->text(), QStringLiteral("0"));
        QCOMPARE(box(w, "T_GY")->text(), QStringLiteral("0"));
        QCOMPARE(box(w, "T_GFont")->text(), QString());
        QVERIFY(!labelButtonsEnabled(w));
        QCOMPARE(grid(w)->model()->rowCount(), 0);
        QCOMPARE(grid(w)->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("字体样式"));

        const QString before = t.db.snapshot();
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QCOMPARE(t.messages.last().text, QStringLiteral("请确定宾客姓名在请柬上的打印位置及字体样式。"));

        t.fonts.setNextChoice({QStringLiteral("楷体"), 10.5, true, true});
        click(w, "Cmd_SelFont");
        QCOMPARE(t.fonts.requests().last().current.pointSize, 12.0);
        QVERIFY(t.fonts.requests().last().scalableOnly);
        QCOMPARE(box(w, "T_GFontSize")->text(), QStringLiteral("10.5"));
        QCOMPARE(box(w, "T_GFontStyle")->text(), QStringLiteral("粗斜体"));

        // A position that is not a number is refused before anything is written.
        replaceText(box(w, "T_GX"), QStringLiteral(" 12.5 "));
        for (const char* bad : {"   ", "1 2", "abc", "１２"}) {
            replaceText(box(w, "T_GY"), QString::fromUtf8(bad));
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.last().title, QString::fromUtf8(bad).trimmed().isEmpty()
                                                  ? QStringLiteral("提醒")
                                                  : QStringLiteral("关键性错误"));
            QVERIFY(w.isVisible());
            QCOMPARE(t.db.snapshot(), before);
        }
        QCOMPARE(w.focusWidget()->objectName(), QStringLiteral("T_GY"));
        replaceText(box(w, "T_GY"), QStringLiteral(" -3 "));
        click(w, "Cmd_Save");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(t.db.scalar(
                     QStringLiteral("SELECT keyx || '|' || keyy || '|' || keyfont || '|' || keyfontsize || "
                                    "'|' || keyfontstyle FROM GuestXY WHERE ListID = 1")),
                 QVariant(QStringLiteral("12.5|-3.0|楷体|10.5|粗斜体")));
    }

    void closeAndFontCancelChangeNothingAndAMissingRowIsCreated()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.db.exec(
            QStringLiteral("UPDATE GuestXY SET keyx = 40, keyy = 60.5, keyfont = '黑体', keyfontsize = '14', "
                           "keyfontstyle = '粗体'"));
        t.db.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (2, '二')"));
        t.choose(1, QStringLiteral("一"));
        const QString before = t.db.snapshot();
        {
            w_PRNSet w(t.session);
            open(w);
            QCOMPARE(box(w, "T_GY")->text(), QStringLiteral("60.5"));
            t.fonts.setNextCancel();
            click(w, "Cmd_SelFont");
            QCOMPARE(box(w, "T_GFont")->text(), QStringLiteral("黑体"));
            QCOMPARE(box(w, "T_GFontSize")->text(), QStringLiteral("14"));
            QCOMPARE(box(w, "T_GFontStyle")->text(), QStringLiteral("粗体"));
            replaceText(box(w, "T_GX"), QStringLiteral("99"));
            click(w, "Cmd_Close");
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(t.db.snapshot(), before);

        // A style without a guest-name row loads empty boxes and gets its row on saving.
        t.choose(2, QStringLiteral("二"));
        w_PRNSet w(t.session);
        open(w);
        QCOMPARE(box(w, "T_GX")->text(), QString());
        replaceText(box(w, "T_GX"), QStringLiteral("7"));
        replaceText(box(w, "T_GY"), QStringLiteral("8"));
        t.fonts.setNextChoice({QStringLiteral("宋体"), 12, false, false});
        click(w, "Cmd_SelFont");
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 0);
        QCOMPARE(
            t.db.scalar(QStringLiteral("SELECT keyx || '|' || keyfontstyle FROM GuestXY WHERE ListID = 2")),
            QVariant(QStringLiteral("7.0|常规")));
    }

    void labelsAreAddedChangedEditedAndDeleted()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.choose(1, QStringLiteral("一"));
        w_PRNSet w(t.session);
        open(w);
        QVERIFY(!labelButtonsEnabled(w));

        // Three labels in a row, then Cancel.
        QString caption;
        onNextModal(&w, [&](QWidget* labelWindow) {
            caption = labelWindow->windowTitle();
            for (const char* name : {"丙", "乙", "甲"}) {
                replaceText(box(*labelWindow, "T_LabName"), QString::fromUtf8(name));
                labelWindow->findChild<QPlainTextEdit*>(QStringLiteral("T_LabTXT"))
                    ->setPlainText(QStringLiteral("v"));
                replaceText(box(*labelWindow, "T_X"), QStringLiteral("10"));
                replaceText(box(*labelWindow, "T_Y"), QStringLiteral("20"));
                t.fonts.setNextChoice({QStringLiteral("宋体"), 12, false, false});
                click(*labelWindow, "Cmd_SelFont");
                click(*labelWindow, "Cmd_Save");
            }
            click(*labelWindow, "Cmd_Cancel");
        });
        click(w, "Cmd_Add");
        QCOMPARE(caption, QStringLiteral("添加打印标签"));
        QCOMPARE(t.messages.count(), 0);
        QCOMPARE(grid(w)->model()->rowCount(), 3);
        QCOMPARE(cellText(w, 0, 0), QStringLiteral("丙"));
        QCOMPARE(cellText(w, 2, 0), QStringLiteral("甲"));
        QVERIFY(labelButtonsEnabled(w));

        // Double-click opens the middle label for a change, its name locked.
        bool nameLocked = false;
        onNextModal(&w, [&](QWidget* labelWindow) {
            caption = labelWindow->windowTitle();
            nameLocked = !box(*labelWindow, "T_LabName")->isEnabled() &&
                         box(*labelWindow, "T_LabName")->text() == QStringLiteral("乙");
            replaceText(box(*labelWindow, "T_X"), QStringLiteral("15"));
            click(*labelWindow, "Cmd_Save");
        });
        const QRect cell = grid(w)->visualRect(grid(w)->model()->index(1, 1));
        QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(grid(w)->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(caption, QStringLiteral("修改打印标签"));
        QVERIFY(nameLocked);
        QCOMPARE(cellText(w, 1, 2), QStringLiteral("15"));

        // A cell edit that is not a number is refused and the row keeps its value.
        const QString before = t.db.snapshot();
        grid(w)->setFocus();
        grid(w)->setCurrentIndex(grid(w)->model()->index(0, 3));
        QTest::keyClick(grid(w), Qt::Key_F2);
        auto* editor = grid(w)->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("12a"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("打印纵坐标只能是数字")));
        QCOMPARE(cellText(w, 0, 3), QStringLiteral("20"));
        QCOMPARE(t.db.snapshot(), before);

        // The Delete key removes the row picked by its record selector.
        QHeaderView* selectors = grid(w)->verticalHeader();
        QTest::mouseClick(selectors->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(selectors->width() / 2,
                                 selectors->sectionViewportPosition(2) + selectors->sectionSize(2) / 2));
        QTest::keyClick(grid(w), Qt::Key_Delete);
        QCOMPARE(grid(w)->model()->rowCount(), 2);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT group_concat(Keywords) FROM Main")),
                 QVariant(QStringLiteral("丙,乙")));
        QVERIFY(labelButtonsEnabled(w));

        // Moving from here: the grid shows the new places.
        onNextModal(&w, [&](QWidget* moveWindow) {
            QTest::mouseClick(moveWindow->findChild<QRadioButton*>(QStringLiteral("O_Right")),
                              Qt::LeftButton);
            replaceText(box(*moveWindow, "T_Move"), QStringLiteral("5"));
            click(*moveWindow, "Cmd_OK");
        });
        click(w, "Cmd_Move");
        QCOMPARE(cellText(w, 0, 2), QStringLiteral("15"));
        QCOMPARE(cellText(w, 1, 2), QStringLiteral("20"));
    }

    void clearingAsksAndTouchesOnlyThisStylesLabels()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 3);
        t.db.addStyle(2, QStringLiteral("二"), 2);
        t.db.exec(QStringLiteral("UPDATE GuestXY SET keyfont = '黑体' WHERE ListID = 1"));
        t.choose(1, QStringLiteral("一"));
        w_PRNSet w(t.session);
        open(w);
        QVERIFY(labelButtonsEnabled(w));
        const QString before = t.db.snapshot();
        t.messages.setNextAnswer(false);
        click(w, "Cmd_CleanUp");
        QCOMPARE(t.messages.last().title, QStringLiteral("请您确认"));
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(grid(w)->model()->rowCount(), 3);

        t.messages.setNextAnswer(true);
        click(w, "Cmd_CleanUp");
        QCOMPARE(t.messages.last().title, QStringLiteral("告知"));
        QCOMPARE(t.messages.last().text, QStringLiteral("样式标签已清空。"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 1), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 2), 2);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT keyfont FROM GuestXY WHERE ListID = 1")),
                 QVariant(QStringLiteral("黑体")));
        QCOMPARE(grid(w)->model()->rowCount(), 0);
        QVERIFY(!labelButtonsEnabled(w));

        // Closing the label window without adding leaves both buttons off.
        onNextModal(&w, [](QWidget* labelWindow) { click(*labelWindow, "Cmd_Cancel"); });
        click(w, "Cmd_Add");
        QVERIFY(!labelButtonsEnabled(w));
    }
};

QTEST_MAIN(tst_w_prnset)
#include "tst_w_prnset.moc"
