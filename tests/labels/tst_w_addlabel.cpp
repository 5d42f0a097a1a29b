// The label window driven through its controls: the input checks in order, adding labels one after
// another, changing one label, and the font choice.
#include "labels/w_AddLabel.h"
#include "store/LabelStore.h"
#include "support/TestSession.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

QLineEdit* box(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(QLatin1String(name));
}

QPlainTextEdit* content(QWidget& w)
{
    return w.findChild<QPlainTextEdit*>(QStringLiteral("T_LabTXT"));
}

// Types `text` into `target` as keyboard input (one key event carrying the whole text, so that
// Chinese and other non-ASCII text arrive as a user's input method delivers them).
void typeInto(QWidget* target, const QString& text)
{
    if (!text.isEmpty())
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text, Qt::NoModifier);
}

void click(QWidget& w, const char* name)
{
    QTest::mouseClick(w.findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
}

// Types a label the way a user does; an empty `font` leaves the font boxes as they are.
void type(TestSession& t, w_AddLabel& w, const QString& name, const QString& text, const QString& x,
          const QString& y, const QString& font = QStringLiteral("楷体"))
{
    for (const char* field : {"T_LabName", "T_X", "T_Y"})
        box(w, field)->clear();
    content(w)->clear();
    typeInto(box(w, "T_LabName"), name);
    content(w)->setFocus();
    typeInto(content(w), text);
    typeInto(box(w, "T_X"), x);
    typeInto(box(w, "T_Y"), y);
    if (!font.isEmpty()) {
        t.fonts.setNextChoice({font, 12, false, false});
        click(w, "Cmd_SelFont");
    }
}

} // namespace

class tst_w_addlabel : public QObject
{
    Q_OBJECT

private slots:
    void checksRunInOrderAndWriteNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("font");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus"); // empty: the focus stays on the save button

        const QString noName = QStringLiteral("请为新标签取一个名称，以便辨认。");
        const QString noX = QStringLiteral("请确定新标签的打印横坐标，坐标零点为左上角。");
        const QString badX = QStringLiteral("横坐标只能是数字，请检查后重新输入。");
        const QString badY = QStringLiteral("纵坐标只能是数字，请检查后重新输入。");
        QTest::newRow("all empty") << ""
                                   << ""
                                   << ""
                                   << "" << false << noName << "T_LabName";
        QTest::newRow("name of spaces") << "   "
                                        << "文字"
                                        << "1"
                                        << "1" << true << noName << "T_LabName";
        QTest::newRow("no content") << "甲"
                                    << "  "
                                    << "1"
                                    << "1" << true
                                    << QStringLiteral("请输入新标签的内容，该内容即是将来要打印的文字。")
                                    << "T_LabTXT";
        QTest::newRow("no X nor Y") << "甲"
                                    << "文字"
                                    << " "
                                    << "" << true << noX << "T_X";
        QTest::newRow("no Y") << "甲"
                              << "文字"
                              << "-5"
                              << "" << true << QStringLiteral("请确定新标签的打印纵坐标，坐标零点为左上角。")
                              << "T_Y";
        QTest::newRow("negative X") << "甲"
                                    << "文字"
                                    << "-5"
                                    << "x" << true << badX << "";
        QTest::newRow("decimal X") << "甲"
                                   << "文字"
                                   << "1.5"
                                   << "1" << true << badX << "";
        QTest::newRow("inner space X") << "甲"
                                       << "文字"
                                       << "1 2"
                                       << "1" << true << badX << "";
        QTest::newRow("full-width X") << "甲"
                                      << "文字"
                                      << "１２"
                                      << "1" << true << badX << "";
        QTest::newRow("plus Y") << "甲"
                                << "文字"
                                << "012"
                                << "+5" << true << badY << "";
        QTest::newRow("no font") << "甲"
                                 << "文字"
                                 << "012"
                                 << "7" << false << QStringLiteral("请为新标签设置一种字体。") << "";
    }

    void checksRunInOrderAndWriteNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, font);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.choose(1, QStringLiteral("一"));
        t.state.AddingNew = true;
        const QString before = t.db.snapshot();
        w_AddLabel w(t.session);
        w.show();
        type(t, w, name, text, x, y, font ? QStringLiteral("楷体") : QString());
        w.findChild<QPushButton*>(QStringLiteral("Cmd_Save"))->setFocus();
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().text, message);
        const bool critical = message.contains(QStringLiteral("只能是数字"));
        QCOMPARE(t.messages.last().title,
                 critical ? QStringLiteral("关键性错误") : QStringLiteral("缺少必要项目"));
        QCOMPARE(w.focusWidget()->objectName(), focus.isEmpty() ? QStringLiteral("Cmd_Save") : focus);
        QVERIFY(w.isVisible());
        QCOMPARE(t.db.snapshot(), before);
    }

    void addsSeveralLabelsOneAfterAnother()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.db.addStyle(2, QStringLiteral("二"));
        t.db.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (2, 'Title', 0, 0)"));
        t.choose(1, QStringLiteral("一"));
        t.state.AddingNew = true;
        w_AddLabel w(t.session);
        w.show();
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
        QTest::keyClicks(box(w, "T_LabName"), QStringLiteral("x"));
        QVERIFY(!saved->isVisible());

        // A name already used, by this style or another one, in any letter case.
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

        const QList<LabelRow> rows = LabelStore(t.store).labels(1).value();
        QCOMPARE(rows.size(), names.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].keywords.toString(), names[i]);
            QCOMPARE(rows[i].keyValue.toString(), QStringLiteral("第一行\n第二行"));
            QCOMPARE(rows[i].keyX.toDouble(), 12.0);
            QCOMPARE(rows[i].keyFontStyle.toString(), QStringLiteral("常规"));
        }
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 2), 1);
    }

    void changesOneLabelAndCancelOfTheFontKeepsItsFont()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"), 2);
        t.choose(1, QStringLiteral("一"));
        t.state.AddingNew = false;
        const LabelRow row = LabelStore(t.store).labels(1).value().at(1);
        w_AddLabel w(t.session);
        w.showLabel(row);
        w.show();
        QVERIFY(!box(w, "T_LabName")->isEnabled());
        QCOMPARE(w.focusWidget(), content(w));
        QCOMPARE(box(w, "T_X")->text(), QStringLiteral("11"));

        t.fonts.setNextCancel();
        click(w, "Cmd_SelFont");
        QCOMPARE(t.fonts.requests().last().current.family, QStringLiteral("宋体"));
        QCOMPARE(t.fonts.requests().last().current.pointSize, 11.0);
        QVERIFY(!t.fonts.requests().last().scalableOnly);
        QCOMPARE(box(w, "T_FontName")->text(), QStringLiteral("宋体"));
        QCOMPARE(box(w, "T_FontSize")->text(), QStringLiteral("12"));

        t.fonts.setNextChoice({QStringLiteral("黑体"), 10.5, true, true});
        click(w, "Cmd_SelFont");
        QCOMPARE(box(w, "T_FontStyle")->text(), QStringLiteral("粗斜体"));
        QCOMPARE(box(w, "T_FontSize")->text(), QStringLiteral("10.5"));
        t.fonts.setNextCancel();
        click(w, "Cmd_SelFont");
        QCOMPARE(t.fonts.requests().last().current.family,
                 QStringLiteral("黑体")); // opens on the last choice
        QCOMPARE(box(w, "T_FontName")->text(), QStringLiteral("黑体"));

        box(w, "T_X")->clear();
        QTest::keyClicks(box(w, "T_X"), QStringLiteral("40"));
        QTest::mouseClick(
            w.findChild<QWidget*>(QStringLiteral("UD_X"))->findChild<QToolButton*>(QStringLiteral("up")),
            Qt::LeftButton);
        QCOMPARE(box(w, "T_X")->text(), QStringLiteral("41"));
        click(w, "Cmd_Save");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(t.messages.count(), 0);
        const LabelRow changed = LabelStore(t.store).labels(1).value().at(1);
        QCOMPARE(changed.keywords, row.keywords);
        QCOMPARE(changed.keyX.toDouble(), 41.0);
        QCOMPARE(changed.keyFont.toString(), QStringLiteral("黑体"));
        QCOMPARE(changed.keyFontSize.toString(), QStringLiteral("10.5"));
        QCOMPARE(LabelStore(t.store).labels(1).value().at(0).keyFont.toString(), QStringLiteral("宋体"));

        // A label deleted meanwhile is passed over and the window closes.
        w_AddLabel again(t.session);
        again.showLabel(changed);
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
        t.db.addStyle(1, QStringLiteral("一"));
        t.choose(1, QStringLiteral("一"));
        t.state.AddingNew = true;
        t.store.setReadOnly(true);
        w_AddLabel w(t.session);
        w.show();
        type(t, w, QStringLiteral("甲"), QStringLiteral("文字"), QStringLiteral("1"), QStringLiteral("2"));
        click(w, "Cmd_Save");
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QVERIFY(t.messages.last().text.contains(QStringLiteral("只读")));
        QVERIFY(!w.findChild<QLabel*>(QStringLiteral("L_Saved"))->isVisible());
        QCOMPARE(box(w, "T_LabName")->text(), QStringLiteral("甲"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 1), 0);
    }
};

QTEST_MAIN(tst_w_addlabel)
#include "tst_w_addlabel.moc"
