// The label window driven through its controls: the input checks in order, adding labels one after
// another, changing one label, and the font choice.
#include "labels/w_AddLabel.h"
#include "store/LabelStore.h"
#include "support/TestSession.h"
#include "LabelTestTools.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

QPlainTextEdit* content(QWidget& w)
{
    return w.findChild<QPlainTextEdit*>(QStringLiteral("T_LabTXT"));
}

// Types a label as a user does; an empty `font` leaves the font boxes as they are.
void type(TestSession& t, QWidget& w, const QString& name, const QString& text, const QString& x,
          const QString& y, const QString& font = QStringLiteral("楷体"))
{
    replaceText(box(w, "T_LabName"), name);
    content(w)->clear();
    content(w)->setFocus();
    typeInto(content(w), text);
    replaceText(box(w, "T_X"), x);
    replaceText(box(w, "T_Y"), y);
    if (!font.isEmpty()) {
        t.fonts.setNextChoice({font, 12, false, false});
        click(w, "Cmd_SelFont");
    }
}

void openOn(TestSession& t, w_AddLabel& w, bool adding)
{
    t.db.addStyle(1, QStringLiteral("一"), adding ? 0 : 2);
    t.choose(1, QStringLiteral("一"));
    t.state.AddingNew = adding;
    w.show();
}

} // namespace

class tst_w_addlabel : public QObject
{
    Q_OBJECT

private slots:
    void checksRunInOrderAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("input"); // name, content, X, Y; a fifth entry: no font
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus"); // empty: stays on the save button
        const QString noName = QStringLiteral("请为新标签取一个名称，以便辨认。");
        const QString badX = QStringLiteral("横坐标只能是数字，请检查后重新输入。");
        QTest::newRow("all empty") << QStringList{"", "", "", "", "-"} << noName << "T_LabName";
        QTest::newRow("name of spaces") << QStringList{"   ", "文字", "1", "1"} << noName << "T_LabName";
        QTest::newRow("no content") << QStringList{"甲", "  ", "1", "1"}
                                    << QStringLiteral("请输入新标签的内容，该内容即是将来要打印的文字。")
                                    << "T_LabTXT";
        QTest::newRow("no X nor Y") << QStringList{"甲", "文字", " ", ""}
                                    << QStringLiteral("请确定新标签的打印横坐标，坐标零点为左上角。")
                                    << "T_X";
        QTest::newRow("no Y") << QStringList{"甲", "文字", "-5", ""}
                              << QStringLiteral("请确定新标签的打印纵坐标，坐标零点为左上角。") << "T_Y";
        QTest::newRow("negative X") << QStringList{"甲", "文字", "-5", "x"} << badX << "";
        QTest::newRow("decimal X") << QStringList{"甲", "文字", "1.5", "1"} << badX << "";
        QTest::newRow("inner space X") << QStringList{"甲", "文字", "1 2", "1"} << badX << "";
        QTest::newRow("full-width X") << QStringList{"甲", "文字", "１２", "1"} << badX << "";
        QTest::newRow("plus Y") << QStringList{"甲", "文字", "012", "+5"}
                                << QStringLiteral("纵坐标只能是数字，请检查后重新输入。") << "";
        QTest::newRow("no font") << QStringList{"甲", "文字", "012", "7", "-"}
                                 << QStringLiteral("请为新标签设置一种字体。") << "";
    }

    void checksRunInOrderAndWriteNothing()
    {
        QFETCH(QStringList, input);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestSession t;
        w_AddLabel w(t.session);
        openOn(t, w, true);
        const QString before = t.db.snapshot();
        type(t, w, input[0], input[1], input[2], input[3],
             input.size() > 4 ? QString() : QStringLiteral("楷体"));
        w.findChild<QPushButton*>(QStringLiteral("Cmd_Save"))->setFocus();
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().text, message);
        QCOMPARE(t.messages.last().title, message.contains(QStringLiteral("只能是数字"))
                                              ? QStringLiteral("关键性错误")
                                              : QStringLiteral("缺少必要项目"));
        QCOMPARE(w.focusWidget()->objectName(), focus.isEmpty() ? QStringLiteral("Cmd_Save") : focus);
        QVERIFY(w.isVisible());
        QCOMPARE(t.db.snapshot(), before);
    }

    void addsSeveralLabelsOneAfterAnother()
    {
        TestSession t;
        w_AddLabel w(t.session);
        openOn(t, w, true);
        t.db.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (2, 'Title', 0, 0)"));
        auto* saved = w.findChild<QLabel*>(QStringLiteral("L_Saved"));
        QVERIFY(!saved->isVisible());

        const QStringList names{"O'Brien 50%_x", "名字🎉", " 甲", "甲"};
        for (const QString& name : names) {
            type(t, w, name, QStringLiteral("第一行\n第二行"), QStringLiteral(" 012"), QStringLiteral("30"));
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.count(), 0);
            QVERIFY(saved->isVisible());
            for (const char* field : {"T_LabName", "T_X", "T_Y", "T_FontName", "T_FontSize", "T_FontStyle"})
                QCOMPARE(box(w, field)->text(), QString());
            QVERIFY(content(w)->toPlainText().isEmpty());
            QCOMPARE(w.focusWidget()->objectName(), QStringLiteral("T_LabName"));
        }
        typeInto(box(w, "T_LabName"), QStringLiteral("x"));
        QVERIFY(!saved->isVisible());

        // A name already used, by another style or this one, in any letter case; and no LIKE patterns.
        for (const QString& taken : {QStringLiteral("TITLE"), QStringLiteral("o'brien 50%_X")}) {
            const QString before = t.db.snapshot();
            type(t, w, taken, QStringLiteral("文字"), QStringLiteral("1"), QStringLiteral("1"));
            click(w, "Cmd_Save");
            QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
            QCOMPARE(t.messages.last().text,
                     QStringLiteral("当前标签名称与已存在的标签重名，请重新命名当前标签。"));
            QCOMPARE(w.focusWidget()->objectName(), QStringLiteral("T_LabName"));
            QCOMPARE(box(w, "T_LabName")->selectedText(), taken);
            QCOMPARE(t.db.snapshot(), before);
        }
        type(t, w, QStringLiteral("O'Brien 5%_x"), QStringLiteral("文字"), QStringLiteral("1"),
             QStringLiteral("1"));
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 2);

        const QList<LabelRow> rows = LabelStore(t.store).labels(1).value();
        QCOMPARE(rows.size(), names.size() + 1);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(rows[i].keywords.toString(), names[i]);
            QCOMPARE(rows[i].keyValue.toString(), QStringLiteral("第一行\n第二行"));
            QCOMPARE(rows[i].keyX.toDouble(), 12.0);
            QCOMPARE(rows[i].keyFontStyle.toString(), QStringLiteral("常规"));
        }
    }

    void changesOneLabelAndCancelOfTheFontKeepsItsFont()
    {
        TestSession t;
        w_AddLabel w(t.session);
        openOn(t, w, false);
        // A second label whose name differs only in case: the change must not land on it.
        t.db.exec(QStringLiteral("UPDATE Main SET Keywords = 'abc' WHERE LabelID = 1"));
        t.db.exec(QStringLiteral("UPDATE Main SET Keywords = 'ABC' WHERE LabelID = 2"));
        const LabelRow row = LabelStore(t.store).labels(1).value().at(1);
        w.showLabel(row);
        QVERIFY(!box(w, "T_LabName")->isEnabled());
        QCOMPARE(w.focusWidget(), content(w));

        t.fonts.setNextCancel();
        click(w, "Cmd_SelFont");
        QCOMPARE(t.fonts.requests().last().current.family, QStringLiteral("宋体"));
        QCOMPARE(t.fonts.requests().last().current.pointSize, 11.0);
        QVERIFY(!t.fonts.requests().last().scalableOnly);
        QCOMPARE(box(w, "T_FontSize")->text(), QStringLiteral("12")); // the label's own, not the preset's 11

        t.fonts.setNextChoice({QStringLiteral("黑体"), 10.5, true, true});
        click(w, "Cmd_SelFont");
        QCOMPARE(box(w, "T_FontStyle")->text(), QStringLiteral("粗斜体"));
        QCOMPARE(box(w, "T_FontSize")->text(), QStringLiteral("10.5"));
        t.fonts.setNextCancel();
        click(w, "Cmd_SelFont");
        QCOMPARE(t.fonts.requests().last().current.family,
                 QStringLiteral("黑体")); // opens on the last choice

        replaceText(box(w, "T_X"), QStringLiteral("40"));
        QTest::mouseClick(
            w.findChild<QWidget*>(QStringLiteral("UD_X"))->findChild<QToolButton*>(QStringLiteral("up")),
            Qt::LeftButton);
        click(w, "Cmd_Save");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(t.messages.count(), 0);
        const QList<LabelRow> rows = LabelStore(t.store).labels(1).value();
        QCOMPARE(rows[1].keywords.toString(), QStringLiteral("ABC"));
        QCOMPARE(rows[1].keyX.toDouble(), 41.0);
        QCOMPARE(rows[1].keyFontSize.toString(), QStringLiteral("10.5"));
        QCOMPARE(rows[0].keyFont.toString(), QStringLiteral("宋体"));

        // A label deleted meanwhile is passed over and the window closes.
        w_AddLabel again(t.session);
        again.showLabel(rows[1]);
        t.db.exec(QStringLiteral("DELETE FROM Main"));
        again.show();
        click(again, "Cmd_Save");
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(t.messages.count(), 0);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 1), 0);
    }

    void aFailedWriteKeepsTheBoxesAndShowsNoNotice()
    {
        TestSession t;
        w_AddLabel w(t.session);
        openOn(t, w, true);
        t.store.setReadOnly(true);
        type(t, w, QStringLiteral("甲"), QStringLiteral("文字"), QStringLiteral("1"), QStringLiteral("2"));
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QVERIFY(t.messages.last().text.contains(QStringLiteral("只读")));
        QVERIFY(!w.findChild<QLabel*>(QStringLiteral("L_Saved"))->isVisible());
        QCOMPARE(box(w, "T_LabName")->text(), QStringLiteral("甲"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 1), 0);
    }
};

QTEST_MAIN(tst_w_addlabel)
#include "tst_w_addlabel.moc"
