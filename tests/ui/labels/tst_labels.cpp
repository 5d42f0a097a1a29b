// The label windows driven through their controls: the label window (its checks in order, adding
// labels one after another, changing one), the move window, and the label and print settings window
// with its guest-name setting and label grid.
#include "core/app/Startup.h"
#include "core/store/LabelStore.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/labels/w_AddLabel.h"
#include "ui/labels/w_Calibrate.h"
#include "ui/labels/w_LabelMove.h"
#include "ui/labels/w_PRNSet.h"
#include "ui/preview/w_Preview.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTextCursor>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* box(QWidget& w, const char* name)
{
    return child<QLineEdit>(w, name);
}

// Replaces the text as a user types it: one key event carrying the whole text, as an input method
// delivers Chinese.
void replaceText(QLineEdit* edit, const QString& text)
{
    edit->clear();
    if (!text.isEmpty())
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text, Qt::NoModifier);
}

// Types "name|content|X|Y[|fit width]" into the label window, then picks 楷体 12 unless `withFont`
// is false.
void typeLabel(TestSession& t, QWidget& w, const QString& fields, bool withFont = true)
{
    const QStringList f = fields.split(u'|');
    replaceText(box(w, "T_LabName"), f[0]);
    w.findChild<QPlainTextEdit*>()->setPlainText(f[1]);
    replaceText(box(w, "T_X"), f[2]);
    replaceText(box(w, "T_Y"), f[3]);
    if (f.size() > 4)
        replaceText(box(w, "T_FitWidth"), f[4]);
    if (withFont) {
        t.fonts.setNextChoice({u"楷体"_s, 12, false, false});
        click(w, "Cmd_SelFont");
    }
}

// Style 1 with `labels` labels at (10, 20), (11, 21)..., made current.
void chooseStyle(TestSession& t, int labels)
{
    t.db.addStyle(1, u"一"_s, labels);
    t.choose(1, u"一"_s);
}

void openSettings(w_PRNSet& w)
{
    w.show();
    waitFor(w, "Timer1");
}

// Picks the direction and types the distance in the move window, then presses OK: "O_Right|5".
void move(QWidget& w, const QString& input)
{
    click(w, qPrintable(input.section(u'|', 0, 0)));
    box(w, "T_Move")->setText(input.section(u'|', 1));
    child(w, "Cmd_OK")->setFocus();
    click(w, "Cmd_OK");
}

} // namespace

class tst_labels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void labelChecks_data()
    {
        QTest::addColumn<QString>("input"); // name|content|X|Y
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus"); // empty: stays on the save button
        const QString noName = u"请为新标签取一个名称，以便辨认。"_s;
        const QString noText = u"请输入新标签的内容，该内容即是将来要打印的文字。"_s;
        const QString noX = u"请确定新标签的打印横坐标，坐标零点为左上角。"_s;
        const QString noY = u"请确定新标签的打印纵坐标，坐标零点为左上角。"_s;
        const QString badX = u"横坐标只能是数字，请检查后重新输入。"_s;
        const QString badY = u"纵坐标只能是数字，请检查后重新输入。"_s;
        QTest::newRow("all empty") << "|||" << noName << "T_LabName";
        QTest::newRow("no content") << "甲|  |1|1" << noText << "T_LabTXT";
        QTest::newRow("no X nor Y") << "甲|文字| |" << noX << "T_X";
        QTest::newRow("no Y") << "甲|文字|-5|" << noY << "T_Y";
        QTest::newRow("negative X") << "甲|文字|-5|x" << badX << "";
        QTest::newRow("plus Y") << "甲|文字|1|+5" << badY << "";
        QTest::newRow("X past the paper")
            << "甲|文字|3001|1" << u"横坐标必须在 0 到 3000 毫米之间，请检查后重新输入。"_s << "T_X";
        QTest::newRow("Y past the paper")
            << "甲|文字|3000|999999" << u"纵坐标必须在 0 到 3000 毫米之间，请检查后重新输入。"_s << "T_Y";
        const QString badFit = u"限宽只能是大于零的数字（毫米），不限宽请留空。"_s;
        QTest::newRow("fit width not a number") << "甲|文字|1|1|宽" << badFit << "T_FitWidth";
        QTest::newRow("fit width past the paper")
            << "甲|文字|1|1|3000.5" << u"限宽必须大于 0、不超过 3000 毫米，请检查后重新输入。"_s
            << "T_FitWidth";
        QTest::newRow("no font") << "甲|文字|012|7" << u"请为新标签设置一种字体。"_s << "";
        QTest::newRow("unknown field") << "甲|座位：{座位}|1|2" << u"请写成“{{”和“}}”。"_s << "T_LabTXT";
        QTest::newRow("read-only file") << "乙|文字|1|2" << u"是只读的，无法保存修改。"_s << "";
    }

    // Catches: a label-window check skipped or out of order, the wrong message or focus, a digit test
    // that lets signs or full-width digits through, a position off any paper or a fit width that is
    // no width accepted, any write, and a write the read-only file refuses shown as saved.
    void labelChecks()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestSession t;
        chooseStyle(t, 0);
        w_AddLabel w(t.session);
        w.show();
        const QString before = t.db.snapshot();
        t.store.setReadOnly(!qstrcmp(QTest::currentDataTag(), "read-only file"));
        typeLabel(t, w, input, qstrcmp(QTest::currentDataTag(), "no font"));
        child(w, "Cmd_Save")->setFocus();
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 1);
        QVERIFY2(t.messages.last().text.endsWith(message), qPrintable(t.messages.last().text));
        QCOMPARE(box(w, "T_LabName")->text(), input.section(u'|', 0, 0)); // kept, not cleared as saved
        QVERIFY(!child(w, "L_Saved")->isVisible());
        QCOMPARE(w.focusWidget()->objectName(), focus.isEmpty() ? u"Cmd_Save"_s : focus);
        QCOMPARE(t.db.snapshot(), before);
    }

    // Catches: boxes or the font left over from the label before, the notice not shown or not hidden
    // on typing, names with ' % _ or Unicode mangled, a taken name (any style, any case) accepted or
    // refused without naming the style that has it, a name check done with LIKE so that % or _ match
    // other names.
    void addsSeveralLabelsOneAfterAnother()
    {
        TestSession t;
        chooseStyle(t, 0);
        t.db.exec(u"INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (2, 'Title', 0, 0)"_s);
        w_AddLabel w(t.session);
        w.show();
        auto* saved = child(w, "L_Saved");
        const QStringList names{"O'Brien 50%_x", "O'Brien 5%_x", "名字🎉", " 甲", "甲"};
        for (const QString& name : names) {
            typeLabel(t, w, name + u"|第一行\n第二行| 012|30"_s);
            click(w, "Cmd_Save");
            QVERIFY(saved->isVisible()); // the name box's change hid the notice of the label before
            for (const char* field : {"T_LabName", "T_X", "T_Y", "T_FontName", "T_FontSize", "T_FontStyle"})
                QCOMPARE(box(w, field)->text(), QString());
            QVERIFY(w.findChild<QPlainTextEdit*>()->toPlainText().isEmpty());
            QCOMPARE(w.focusWidget()->objectName(), u"T_LabName"_s);
        }
        replaceText(box(w, "T_LabName"), u"x"_s);
        QVERIFY(!saved->isVisible());

        const QString before = t.db.snapshot();
        const QString owners[][2] = {
            {u"TITLE"_s,
             u"编号为 2 的请柬样式（该样式已不存在，只留下了它的标签）"_s}, // its style row is gone
            {u"o'brien 50%_X"_s, u"请柬样式“一”"_s},
        };
        for (const auto& [taken, owner] : owners) {
            typeLabel(t, w, taken + u"|文字|1|1"_s);
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.last().text,
                     u"当前标签名称与%1中已存在的标签重名，请重新命名当前标签。"_s.arg(owner));
            QCOMPARE(box(w, "T_LabName")->selectedText(), taken);
            QCOMPARE(t.db.snapshot(), before);
        }
        QCOMPARE(
            t.db.scalar(u"SELECT group_concat(Keywords || '@' || KeyX || '@' || KeyFontSize, "
                        "'/') FROM Main WHERE KeyValue = '第一行' || char(10) || '第二行'"_s),
            QVariant(u"O'Brien 50%_x@12.0@12/O'Brien 5%_x@12.0@12/名字🎉@12.0@12/ 甲@12.0@12/甲@12.0@12"_s));
        QCOMPARE(t.db.rowsOf(u"Main"_s, 1), names.size());
    }

    // Catches: a cancelled font dialog overwriting the label's font with the dialog's preset, the size
    // and style written other than "10.5" and "粗斜体", the spin control not stepping the box, and the
    // change landing on a label whose name differs only in letter case.
    void changesOneLabelAndCancelOfTheFontKeepsItsFont()
    {
        TestSession t;
        chooseStyle(t, 2);
        t.db.exec(u"UPDATE Main SET Keywords = CASE LabelID WHEN 1 THEN 'abc' ELSE 'ABC' END"_s);
        w_AddLabel w(t.session, LabelStore(t.store).labels(1, u"一"_s).value().at(1));
        w.show();
        t.fonts.setNextCancel();
        click(w, "Cmd_SelFont");
        QCOMPARE(box(w, "T_FontSize")->text(), u"12"_s); // the label's own, not the preset's 11
        t.fonts.setNextChoice({u"黑体"_s, 10.5, true, true});
        click(w, "Cmd_SelFont");
        replaceText(box(w, "T_X"), u"40"_s);
        QTest::mouseClick(child<QToolButton>(*child(w, "UD_X"), "up"), Qt::LeftButton);
        click(w, "Cmd_Save");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(t.db.scalar(u"SELECT group_concat(Keywords || KeyX || KeyFont || KeyFontSize || "
                             "KeyFontStyle, '/') FROM Main"_s),
                 QVariant(u"abc10.0宋体12常规/ABC41.0黑体10.5粗斜体"_s));
    }

    void moves_data()
    {
        QTest::addColumn<QString>("input"); // direction|distance
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected"); // every label's place, style 2's last
        QTest::addColumn<QString>("focus");    // empty: the move was made and the window closed
        QTest::addColumn<QString>("setup");    // run on the file first
        const auto row = [](const char* tag, const char* input, const QString& message,
                            const QString& expected, const char* focus, const char* setup = "") {
            QTest::newRow(tag) << QString(input) << message << expected << QString(focus) << QString(setup);
        };
        const QString unmoved = u"10.0,20.0 11.0,21.0 10.0,20.0"_s;
        const QString none = u"请输入需要移动的距离。"_s;
        const QString negative = u"请输入正数。如需向坐标零点方向移动，请选择“向左”或“向上”移动。"_s;
        const QString notDigits = u"移动距离只能是数字，请检查后重新输入。"_s;
        const QString done = u"所有标签已经移动完成。"_s;
        row("empty", "O_Left|", none, unmoved, "T_Move");
        row("negative", "O_Up|-5", negative, unmoved, "T_Move");
        row("plus", "O_Left|+5", notDigits, unmoved, "Cmd_OK");
        row("left past the edge", "O_Left|15", done, u"-5.0,20.0 -4.0,21.0 10.0,20.0"_s, "");
        row("up", "O_Up|3", done, u"10.0,17.0 11.0,18.0 10.0,20.0"_s, "");
        row("double zero", "O_Right|00", done, unmoved, "");
        row("past any paper", "O_Right|3001", u"移动距离必须在 0 到 3000 毫米之间，请检查后重新输入。"_s,
            unmoved, "T_Move");
        row("no labels", "O_Right|5", u"没有可移动标签。"_s, u"10.0,20.0"_s, "Cmd_OK",
            "DELETE FROM Main WHERE ListID = 1");
        // All or nothing: the second label's write fails after the first one's.
        row("write fails part-way", "O_Right|5", u"disk trouble"_s, unmoved, "Cmd_OK",
            "CREATE TRIGGER refuse BEFORE UPDATE ON Main WHEN OLD.KeyY = 21 BEGIN "
            "SELECT RAISE(ABORT, 'disk trouble'); END");
    }

    // Catches: a move-window check skipped or out of order, the wrong focus, a refused distance that
    // still moves, a direction with the wrong sign or axis, a move reaching another style's labels, a
    // move failing part-way that leaves the labels already written moved, and a move with no labels
    // reported as done.
    void moves()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QFETCH(QString, focus);
        QFETCH(QString, setup);
        TestSession t;
        chooseStyle(t, 2);
        t.db.addStyle(2, u"二"_s, 1);
        if (!setup.isEmpty())
            t.db.exec(setup);
        w_LabelMove w(t.session);
        w.show();
        move(w, input);
        QCOMPARE(t.db.scalar(u"SELECT group_concat(KeyX || ',' || KeyY, ' ') FROM Main"_s).toString(),
                 expected);
        QCOMPARE(t.messages.count(), 1);
        QVERIFY(t.messages.lastSays(message));
        QCOMPARE(w.isVisible() ? w.focusWidget()->objectName() : QString(), focus);
    }

    // Catches: a new style saved without a font, a guest-name position that is not a number or a fit
    // width past any paper written (or the wrong box focused), an anchor, fit width or 竖排 of the name
    // not stored or not shown again, the dialog not limited to scalable fonts, blanks around a position
    // kept, the size and style written other than "10.5" and "粗斜体", a cancelled font dialog
    // rewriting the font boxes, and a style without a guest-name row whose save creates none.
    void guestNameSetting()
    {
        TestSession t;
        chooseStyle(t, 0);
        t.db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (2, '二')"_s);
        for (const int style : {1, 2}) {
            t.choose(style, QString());
            w_PRNSet w(t.session);
            openSettings(w);
            t.fonts.setNextCancel(); // must leave the boxes empty, not fill them with the dialog's preset
            click(w, "Cmd_SelFont");
            QCOMPARE(box(w, "T_GX")->text() + box(w, "T_GFont")->text(), QString(style == 1 ? "0" : ""));
            const QString before = t.db.snapshot();
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.last().text, u"请确定宾客姓名在请柬上的打印位置及字体样式。"_s);

            t.fonts.setNextChoice({u"楷体"_s, 10.5, true, true});
            click(w, "Cmd_SelFont");
            QVERIFY(t.fonts.requests().last().scalableOnly);
            const QString digits = u"只能是数字"_s;
            const QString range = u"必须在 -3000 到 3000 毫米之间，请检查后重新输入。"_s;
            const QStringList refused[] = {
                {"abc", "1", "T_GX", digits}, {"1", "１２", "T_GY", digits}, {"1", "-999999", "T_GY", range}};
            for (const QStringList& xyFocusSaid : refused) {
                replaceText(box(w, "T_GX"), xyFocusSaid[0]);
                replaceText(box(w, "T_GY"), xyFocusSaid[1]);
                click(w, "Cmd_Save");
                QVERIFY(t.messages.lastSays(xyFocusSaid[3]));
                QCOMPARE(w.focusWidget()->objectName(), xyFocusSaid[2]);
                QCOMPARE(t.db.snapshot(), before);
            }
            replaceText(box(w, "T_GX"), u" 12.5 "_s);
            replaceText(box(w, "T_GY"), u" -3 "_s);
            child<QComboBox>(w, "Combo_GAnchor")->setCurrentText(u"中"_s);
            child<QComboBox>(w, "Combo_GWriting")->setCurrentText(u"竖排"_s);
            replaceText(box(w, "T_GFitWidth"), u"3001"_s);
            click(w, "Cmd_Save");
            QVERIFY(t.messages.lastSays(u"宾客姓名的限宽"_s));
            QCOMPARE(w.focusWidget()->objectName(), u"T_GFitWidth"_s);
            QCOMPARE(t.db.snapshot(), before);
            replaceText(box(w, "T_GFitWidth"), u"40"_s);
            click(w, "Cmd_Save");
            QCOMPARE(
                t.db.scalar(u"SELECT keyx || '|' || keyy || '|' || keyfont || '|' || keyfontsize || '|' || "
                            "keyfontstyle || '|' || keyanchor || keyfitwidth || keyvertical "
                            "FROM GuestXY WHERE ListID = ?"_s,
                            {style}),
                QVariant(u"12.5|-3.0|楷体|10.5|粗斜体|140.01"_s));
        }
        w_PRNSet again(t.session);
        openSettings(again);
        QCOMPARE(child<QComboBox>(again, "Combo_GAnchor")->currentText() + box(again, "T_GFitWidth")->text() +
                     child<QComboBox>(again, "Combo_GWriting")->currentText(),
                 u"中40竖排"_s);
    }

    // Catches an anchor, fit width or 竖排 lost on its way from any of the three places that edit it
    // to the file and back: the label window and the grid's drop-downs and fit width cell (the
    // guest-name group's is the guest-name test's); a refused fit width written, or told without its reason;
    // and grid columns pushed off the window by a long label text (the text whole in its tooltip).
    void placementIsEditedEverywhere()
    {
        TestSession t;
        chooseStyle(t, 0);
        const auto stored = [&t](const QString& sql) { return t.db.scalar(sql).toString(); };
        const QString label =
            u"SELECT KeyAnchor || '|' || ifnull(KeyFitWidth, '-') || '|' || KeyVertical FROM Main"_s;
        const QString longText =
            u"谨定于二〇二六年十月一日（星期四）中午十二时在本市金陵大酒店三楼宴会厅举行婚礼敬请光临"_s;
        {
            w_AddLabel w(t.session);
            w.show();
            typeLabel(t, w, u"落款|"_s + longText + u"|50|60| 25.5 "_s);
            child<QComboBox>(w, "Combo_Anchor")->setCurrentText(u"中"_s);
            child<QComboBox>(w, "Combo_Writing")->setCurrentText(u"竖排"_s);
            click(w, "Cmd_Save");
            QCOMPARE(stored(label), u"1|25.5|1"_s);
            QCOMPARE(child<QComboBox>(w, "Combo_Anchor")->currentText() + box(w, "T_FitWidth")->text() +
                         child<QComboBox>(w, "Combo_Writing")->currentText(),
                     u"左横排"_s); // the next label starts plain
        }

        w_PRNSet w(t.session);
        openSettings(w);
        auto* grid = child<QTableView>(w, "DG_PRN");
        QAbstractItemModel* model = grid->model();
        const auto cells = [model] {
            return model->index(0, 7).data().toString() + u'|' + model->index(0, 8).data().toString() + u'|' +
                   model->index(0, 9).data().toString();
        };
        QCOMPARE(cells(), u"中|25.5|竖排"_s);
        QVERIFY2(
            grid->horizontalHeader()->length() <= grid->viewport()->width(),
            qPrintable(u"%1 > %2"_s.arg(grid->horizontalHeader()->length()).arg(grid->viewport()->width())));
        QCOMPARE(model->index(0, 1).data(Qt::ToolTipRole).toString(), longText);
        const QString before = t.db.snapshot();
        const QStringList refused{"7:上", "8:宽", "8:3000.5", "9:竖"};
        for (const QString& edit : refused)
            QVERIFY2(!model->setData(model->index(0, edit.left(1).toInt()), edit.mid(2)), qPrintable(edit));
        QTRY_COMPARE(t.messages.count(), int(refused.size()));
        QCOMPARE(t.messages.shown().at(1).text,
                 u"限宽只能是大于零的数字（毫米），不限宽请留空，“宽”未保存，请检查后重新输入。"_s);
        QCOMPARE(t.messages.shown().at(2).text,
                 u"限宽必须大于 0、不超过 3000 毫米，“3000.5”未保存，请检查后重新输入。"_s);
        QCOMPARE(t.db.snapshot(), before);
        for (const QString& edit : {u"7:右"_s, u"8: "_s, u"9:横排"_s})
            QVERIFY(model->setData(model->index(0, edit.left(1).toInt()), edit.mid(2)));
        QCOMPARE(stored(label), u"2|-|0"_s);
    }

    // Catches a stored position or size that already prints refused because it is out of the range
    // new input is held to: changing anything else of the label, its grid row or the guest-name
    // setting keeps it as it is.
    void storedValuesOutOfRangeAreKept()
    {
        TestSession t;
        chooseStyle(t, 1);
        t.db.exec(u"UPDATE Main SET KeyX = 5000, KeyFontSize = '1200'"_s);
        t.db.exec(u"UPDATE GuestXY SET keyx = -4000, keyy = 4000, keyfont = '宋体', keyfontsize = '12', "
                  "keyfontstyle = '常规'"_s);
        {
            w_AddLabel labelWindow(t.session, LabelStore(t.store).labels(1, u"一"_s).value().first());
            labelWindow.show();
            labelWindow.findChild<QPlainTextEdit*>()->setPlainText(u"新内容"_s);
            click(labelWindow, "Cmd_Save");
            QCOMPARE(labelWindow.result(), int(QDialog::Accepted));
        }
        w_PRNSet w(t.session);
        openSettings(w);
        QAbstractItemModel* model = child<QTableView>(w, "DG_PRN")->model();
        QVERIFY(model->setData(model->index(0, 2), u"5000.0"_s));
        QVERIFY(model->setData(model->index(0, 5), u" 1200 "_s));
        QVERIFY(model->setData(model->index(0, 3), u"25"_s));
        t.fonts.setNextChoice({u"黑体"_s, 14, false, false});
        click(w, "Cmd_SelFont");
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 0);
        QCOMPARE(t.db.scalar(u"SELECT KeyValue || KeyX || KeyY || KeyFontSize FROM Main"_s),
                 QVariant(u"新内容5000.025.01200"_s));
        QCOMPARE(t.db.scalar(u"SELECT keyx || keyy || keyfont FROM GuestXY"_s),
                 QVariant(u"-4000.04000.0黑体"_s));
    }

    // Catches typed guest-name values dropped without a word by 关闭 or the title bar (Yes saves,
    // Cancel stays, No is the other groups' test; a refused value keeps the window open), a question when
    // nothing changed, and a preview that shows the saved setting as if it were the typed one.
    void anUnsavedGuestNameSettingIsAskedForAndPreviewed()
    {
        TestSession t;
        chooseStyle(t, 1);
        t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, '张三')"_s);
        t.db.exec(u"UPDATE GuestXY SET keyx = 60, keyy = 90, keyfont = '宋体', keyfontsize = '12', "
                  "keyfontstyle = '常规'"_s);
        const QString before = t.db.snapshot();
        w_PRNSet w(t.session);
        const auto previewSays = [&] {
            QString said;
            onNextModal<w_Preview>([&](w_Preview& preview) {
                waitFor(preview, "Timer1");
                said = labelText(preview, "L_Setting") + u"|"_s + labelText(preview, "L_Note");
                click(preview, "Cmd_Close");
            });
            click(w, "Cmd_Preview");
            return said;
        };
        openSettings(w);
        QCOMPARE(previewSays(), u"|"_s); // nothing typed: the saved setting, nothing to say
        replaceText(box(w, "T_GX"), u"2000"_s);
        QCOMPARE(previewSays(), u"宾客姓名按输入框中尚未保存的设置显示。|宾客姓名超出了可打印区域。"_s);
        replaceText(box(w, "T_GX"), u"abc"_s);
        QVERIFY(previewSays().startsWith(u"宾客姓名按已保存的设置显示"_s));

        click(w, "Cmd_Close"); // unscripted: Cancel
        QVERIFY(!w.close());   // the title bar
        QCOMPARE(t.messages.last().text, u"宾客姓名的打印设置已经修改，但还没有保存。\n\n是否保存修改？"_s);
        t.messages.setNextAnswer(MessageService::Answer::Yes); // "abc" is refused: the window stays
        click(w, "Cmd_Close");
        QVERIFY(w.isVisible() && t.messages.last().text.contains(u"只能是数字"_s));
        QCOMPARE(t.db.snapshot(), before);

        replaceText(box(w, "T_GX"), u"60"_s); // as loaded: nothing to ask
        QVERIFY(w.close());
        QCOMPARE(t.messages.count(), 4);
        w.show();
        replaceText(box(w, "T_GY"), u"95.5"_s);
        t.messages.setNextAnswer(MessageService::Answer::Yes);
        click(w, "Cmd_Close");
        QCOMPARE(t.db.scalar(u"SELECT keyx || '|' || keyy FROM GuestXY"_s), QVariant(u"60.0|95.5"_s));
    }

    // Catches a text with fields or escaped braces refused, the field picker not putting its field where
    // the cursor is; and the settings window's name formats, 称谓 rules and table order not saved together,
    // not shown again, or saved with an unknown field.
    void fieldsInLabelsAndSettings()
    {
        TestSession t;
        chooseStyle(t, 1);
        {
            w_AddLabel w(t.session);
            w.show();
            typeLabel(t, w, u"座次||1|2"_s);
            auto* text = w.findChild<QPlainTextEdit*>();
            text->setPlainText(u"{{座位}} 第  桌"_s);
            QTextCursor cursor = text->textCursor();
            cursor.setPosition(text->toPlainText().size() - 2);
            text->setTextCursor(cursor);
            auto* picker = child<QComboBox>(w, "Combo_Field");
            picker->setCurrentIndex(picker->findText(u"{桌号}"_s));
            emit picker->activated(picker->currentIndex());
            QCOMPARE(picker->currentIndex(), 0);
            click(w, "Cmd_Save");
            QCOMPARE(t.db.scalar(u"SELECT KeyValue FROM Main WHERE Keywords = '座次'"_s),
                     QVariant(u"{{座位}} 第 {桌号} 桌"_s));
        }

        {
            // A label stored before fields existed, braces and all, can still be moved.
            t.db.exec(u"UPDATE Main SET KeyValue = '座位：{座位}' WHERE Keywords = '一-标签0'"_s);
            w_AddLabel w(t.session, LabelStore(t.store).labels(1, u"一"_s).value().first());
            w.show();
            replaceText(box(w, "T_X"), u"44"_s);
            click(w, "Cmd_Save");
            QCOMPARE(t.db.scalar(u"SELECT KeyX || KeyValue FROM Main WHERE Keywords = '一-标签0'"_s),
                     QVariant(u"44.0座位：{座位}"_s));
        }

        w_PRNSet w(t.session);
        openSettings(w);

        auto* format = child<QComboBox>(w, "Combo_NameFormat");
        auto* partnerFormat = child<QComboBox>(w, "Combo_PartnerFormat");
        auto* rules = child<QTableWidget>(w, "DG_Salutation");
        t.fonts.setNextChoice({u"楷体"_s, 20, false, false});
        click(w, "Cmd_SelFont");
        format->setCurrentText(u"{姓名}{称呼}"_s);
        const QString beforeSave = t.db.snapshot();
        click(w, "Cmd_Save");
        QVERIFY(t.messages.last().text.contains(u"姓名格式中的“{称呼}”不是可用的字段"_s));
        QCOMPARE(w.focusWidget(), format);
        QCOMPARE(t.db.snapshot(), beforeSave);

        format->setCurrentText(u"{姓名}{称谓}"_s);
        partnerFormat->setCurrentText(u"{姓名} {同行} 伉俪"_s);
        rules->item(1, 1)->setText(u" 小姐 "_s);
        rules->item(2, 1)->setText(u"阁下"_s);
        child<QCheckBox>(w, "Check_TableOrder")->setChecked(true);
        click(w, "Cmd_Save");
        QCOMPARE(t.db.scalar(u"SELECT NameFormat || '|' || PartnerFormat || '|' || TableOrder "
                             "FROM GuestXY JOIN Lists USING (ListID) WHERE ListID = 1"_s),
                 QVariant(u"{姓名}{称谓}|{姓名} {同行} 伉俪|1"_s));
        QCOMPARE(t.db.scalar(u"SELECT group_concat(Sex || '=' || Salutation, ';') FROM "
                             "(SELECT * FROM Salutations WHERE ListID = 1 ORDER BY Sex)"_s),
                 QVariant(u"=阁下;女=小姐;男=先生"_s));

        w_PRNSet again(t.session);
        openSettings(again);
        QCOMPARE(child<QComboBox>(again, "Combo_PartnerFormat")->currentText(), u"{姓名} {同行} 伉俪"_s);
        QCOMPARE(child<QTableWidget>(again, "DG_Salutation")->item(1, 1)->text(), u"小姐"_s);
        QVERIFY(child<QCheckBox>(again, "Check_TableOrder")->isChecked());
        // A changed rule is not dropped without a word.
        child<QTableWidget>(again, "DG_Salutation")->item(0, 1)->setText(u"君"_s);
        t.messages.setNextAnswer(MessageService::Answer::No);
        QVERIFY(again.close());
        QCOMPARE(t.messages.last().text, u"宾客字段的设置已经修改，但还没有保存。\n\n是否保存修改？"_s);
        QCOMPARE(t.db.scalar(u"SELECT Salutation FROM Salutations WHERE ListID = 1 AND Sex = '男'"_s),
                 QVariant(u"先生"_s));
    }

    // Catches: rows ordered by name or id instead of insertion; a grid position or size that is not a
    // number, or a new one out of range, written or not told; names with quotes or LIKE wildcards mangled;
    // double-click not opening the picked label with its name locked; the grid not refreshed after the label
    // window; the Delete key deleting without asking, or it or clearing reaching other rows or styles; the
    // buttons left usable on an empty grid; and the model breaking Qt's model contract on any of these.
    void labelGrid()
    {
        TestSession t;
        chooseStyle(t, 0);
        t.db.addStyle(2, u"二"_s, 1);
        for (const char* name : {"丙", "乙", "甲"}) // stamped in the same millisecond
            t.db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                      "KeyFontStyle, KeyDate) VALUES (1, ?, 'v', 5, 6, '宋体', '12', '常规', "
                      "'2026-01-01 10:00:00.000')"_s,
                      {QString::fromUtf8(name)});
        w_PRNSet w(t.session);
        openSettings(w);
        auto* grid = child<QTableView>(w, "DG_PRN");
        QAbstractItemModel* model = grid->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto cell = [model](int row, int column) {
            return model->index(row, column).data().toString();
        };
        QCOMPARE(cell(0, 0) + cell(1, 0) + cell(2, 0), u"丙乙甲"_s);
        // The font column says which face prints; the cell edits the stored name.
        QCOMPARE(cell(0, 4), u"宋体（Noto Serif CJK SC）"_s);
        QCOMPARE(model->index(0, 4).data(Qt::EditRole).toString(), u"宋体"_s);

        // Columns 2 and 3 are the positions (sign and one point allowed), 5 the size (above zero).
        const QString before = t.db.snapshot();
        // Column 6, the style word, takes only the four words.
        const QStringList refusedEdits{"2:abc", "2:1e3", "3:", "3:１", "5:大", "5:0", "6:Bold", "2:3000.5"};
        for (const QString& edit : refusedEdits)
            QVERIFY2(!model->setData(model->index(1, edit.left(1).toInt()), edit.mid(2)), qPrintable(edit));
        QTRY_COMPARE(t.messages.count(), int(refusedEdits.size()));
        QVERIFY(t.messages.shown().first().text.contains(u"打印横坐标只能是数字"_s));
        QCOMPARE(cell(1, 2), u"5"_s);
        QCOMPARE(t.db.snapshot(), before);
        QVERIFY(model->setData(model->index(1, 2), u" -2.5 "_s));
        QVERIFY(model->setData(model->index(1, 5), u"10.5"_s));
        QVERIFY(model->setData(model->index(1, 0), u"50%_'"_s));
        QVERIFY(model->setData(model->index(1, 6), u"粗斜体"_s));
        QCOMPARE(t.db.scalar(u"SELECT KeyX || KeyFontSize FROM Main WHERE Keywords = '50%_'''"_s),
                 QVariant(u"-2.510.5"_s));

        bool nameLocked = false;
        onNextModal<w_AddLabel>([&](w_AddLabel& labelWindow) {
            nameLocked = !box(labelWindow, "T_LabName")->isEnabled() &&
                         box(labelWindow, "T_LabName")->text() == u"50%_'"_s;
            replaceText(box(labelWindow, "T_X"), u"35"_s);
            click(labelWindow, "Cmd_Save");
        });
        const QPoint second = grid->visualRect(model->index(1, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, second);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, second);
        QVERIFY(nameLocked);
        QCOMPARE(cell(1, 2), u"35"_s);

        QHeaderView* selectors = grid->verticalHeader();
        QTest::mouseClick(selectors->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(2, selectors->sectionViewportPosition(0) + 2));
        QTest::keyClick(grid, Qt::Key_Delete); // answered No
        QCOMPARE(t.messages.last().text, u"删除选中的 1 个标签？"_s);
        QCOMPARE(model->rowCount(), 3);
        t.messages.setNextAnswer(true);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(cell(0, 0) + cell(1, 0), u"50%_'甲"_s);

        click(w, "Cmd_CleanUp"); // answered No
        QCOMPARE(t.db.rowsOf(u"Main"_s, 1), 2);
        t.messages.setNextAnswer(true);
        click(w, "Cmd_CleanUp");
        QCOMPARE(t.messages.last().text, u"样式标签已清空。"_s);
        QCOMPARE(t.db.rowsOf(u"Main"_s, 1) + model->rowCount(), 0);
        QCOMPARE(t.db.rowsOf(u"Main"_s, 2) + t.db.rowsOf(u"GuestXY"_s, 1), 2);
        QVERIFY(!child(w, "Cmd_CleanUp")->isEnabled() && !child(w, "Cmd_Move")->isEnabled());
    }

    // Catches a style whose untouched printer group gets a setting row anyway, a custom size that is
    // not a size stored (or half the settings saved), and a choice that does not come back as saved.
    void printerAndPaperGroup()
    {
        TestSession t;
        chooseStyle(t, 1);
        t.db.exec(u"UPDATE GuestXY SET keyfont = '宋体', keyfontsize = '12', keyfontstyle = '常规'"_s);
        {
            w_PRNSet w(t.session);
            openSettings(w);
            QCOMPARE(child<QComboBox>(w, "Combo_Printer")->currentText(), u"系统默认打印机"_s);
            QVERIFY(child<QComboBox>(w, "Combo_Paper")->currentText().startsWith(u"打印机的纸张"_s));
            click(w, "Cmd_Save");
            QCOMPARE(t.db.rowsOf(u"StylePrinter"_s, 1), 0);
        }
        w_PRNSet w(t.session);
        openSettings(w);
        auto* paper = child<QComboBox>(w, "Combo_Paper");
        paper->setCurrentIndex(paper->count() - 1); // 自定义尺寸
        QVERIFY(box(w, "T_PaperW")->isEnabled());
        click(w, "O_Landscape");
        const QString before = t.db.snapshot();
        const QStringList refused[] = {
            {"", "260", "请填写自定义纸张的宽度和高度（毫米）。"},
            {"abc", "260", "自定义纸张的宽度只能是大于零的数字（毫米），“abc”不是。"},
            {"5", "260", "自定义纸张的宽度 5 毫米不在 10 到 3000 毫米之间，请检查后重新输入。"}};
        for (const QStringList& typed : refused) {
            replaceText(box(w, "T_PaperW"), typed[0]);
            replaceText(box(w, "T_PaperH"), typed[1]);
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.last().text, typed[2]);
            QVERIFY(w.isVisible());
            QCOMPARE(t.db.snapshot(), before);
        }
        replaceText(box(w, "T_PaperW"), u"185"_s);
        replaceText(box(w, "T_PaperH"), u" 260 "_s);
        click(w, "Cmd_Save");
        QCOMPARE(t.db.scalar(
                     u"SELECT Printer || '|' || Paper || '|' || PaperWidth || 'x' || PaperHeight || '|' || "
                     "Landscape FROM StylePrinter WHERE ListID = 1"_s),
                 QVariant(u"||185.0x260.0|1"_s));

        w_PRNSet again(t.session);
        openSettings(again);
        QCOMPARE(child<QComboBox>(again, "Combo_Paper")->currentText(), u"自定义尺寸"_s);
        QCOMPARE(box(again, "T_PaperW")->text() + box(again, "T_PaperH")->text(), u"185260"_s);
        QVERIFY(child<QAbstractButton>(again, "O_Landscape")->isChecked());
        // A changed printer setting is not dropped without a word.
        click(again, "O_Portrait");
        t.messages.setNextAnswer(MessageService::Answer::No);
        click(again, "Cmd_Close");
        QCOMPARE(t.messages.last().text, u"打印机与纸张的设置已经修改，但还没有保存。\n\n是否保存修改？"_s);
        QCOMPARE(t.db.scalar(u"SELECT Landscape FROM StylePrinter WHERE ListID = 1"_s).toInt(), 1);
    }

    // Catches a trial card that is not the first guest's, a test sheet that never reaches the
    // printer, and a correction that the settings window does not show once saved or cleared.
    void trialCardAndCalibration()
    {
        TestSession t;
        chooseStyle(t, 2);
        t.db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, '张伟'), (1, '李娜')"_s);
        w_PRNSet w(t.session);
        openSettings(w);
        if (!child(w, "Cmd_Calibrate")->isEnabled())
            QSKIP("no printer installed to calibrate; scripts/test sets one up");
        click(w, "Cmd_TestCard");
        QCOMPARE(t.printer.printedNames(), QStringList{u"张伟"_s});
        QVERIFY(t.messages.last().text.startsWith(u"宾客“张伟”的请柬已交给打印机"_s));

        onNextModal<w_Calibrate>([&](w_Calibrate& window) {
            click(window, "Cmd_PrintSheet");
            // What the window says each cross-hair should measure, one millimetre further right.
            const auto expected = [&](const char* label) {
                return labelText(window, label).section(u'为', 1).remove(u'）').split(u" / "_s);
            };
            const QStringList a = expected("L_ExpectA"), b = expected("L_ExpectB");
            box(window, "T_AX")->setText(QString::number(a[0].toDouble() + 1));
            box(window, "T_AY")->setText(a[1]);
            box(window, "T_BX")->setText(QString::number(b[0].toDouble() + 1));
            box(window, "T_BY")->setText(b[1]);
            click(window, "Cmd_Compute");
            click(window, "Cmd_Save");
            click(window, "Cmd_Close");
        });
        click(w, "Cmd_Calibrate");
        QVERIFY(std::any_of(t.printer.jobs.last().cbegin(), t.printer.jobs.last().cend(),
                            [](const PrintedText& text) { return text.text == u"打印机校准测试页"_s; }));
        QCOMPARE(
            t.db.scalar(u"SELECT round(OffsetX, 2) || '/' || round(OffsetY, 2) FROM PrinterCalibration"_s),
            QVariant(u"-1.0/0.0"_s));
        QVERIFY2(labelText(w, "L_PrinterInfo").contains(u"已校准：偏移 −1.0 / 0.0 毫米"_s),
                 qPrintable(labelText(w, "L_PrinterInfo")));

        onNextModal<w_Calibrate>([&](w_Calibrate& window) {
            click(window, "Cmd_Clear");
            click(window, "Cmd_Close");
        });
        click(w, "Cmd_Calibrate");
        QCOMPARE(t.db.scalar(u"SELECT count(*) FROM PrinterCalibration"_s).toInt(), 0);
        QVERIFY(labelText(w, "L_PrinterInfo").contains(u"未校准"_s));
    }
};

QTEST_MAIN(tst_labels)
#include "tst_labels.moc"
