// The label queries, the label grid's model and the checks on typed numbers and font texts.
#include "labels/FontChoice.h"
#include "store/LabelGridModel.h"
#include "store/LabelStore.h"
#include "store/NumberText.h"
#include "support/TestSession.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class tst_labelstore : public QObject
{
    Q_OBJECT

private slots:
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("digits");   // accepted where only digits are allowed
        QTest::addColumn<bool>("position"); // accepted as a grid or guest-name position
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "12" << true << true << 12.0;
        QTest::newRow("leading zero") << "012" << true << true << 12.0;
        QTest::newRow("minus") << "-5" << false << true << -5.0;
        QTest::newRow("decimal") << "1.5" << false << true << 1.5;
        QTest::newRow("point first") << "-.5" << false << true << -0.5;
        QTest::newRow("inner space") << "1 2" << false << false << 0.0;
        QTest::newRow("full-width") << "１２" << false << false << 0.0;
        QTest::newRow("plus") << "+5" << false << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << false << 0.0;
        QTest::newRow("sign only") << "-" << false << false << 0.0;
        QTest::newRow("point only") << "." << false << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << false << 0.0;
        QTest::newRow("empty") << "" << false << false << 0.0;
        QTest::newRow("overflow") << QString(400, QLatin1Char('9')) << false << false << 0.0;
    }

    void typedNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, digits);
        QFETCH(bool, position);
        QFETCH(double, value);
        QCOMPARE(digitsNumber(text).has_value(), digits);
        QCOMPARE(plainNumber(text).has_value(), position);
        if (position)
            QCOMPARE(*plainNumber(text), value);
    }

    void fontTextsAreTheStoredForm()
    {
        QCOMPARE(fontTexts({QStringLiteral("楷体"), 12, false, false}).size, QStringLiteral("12"));
        QCOMPARE(fontTexts({QStringLiteral("楷体"), 10.5, false, false}).size, QStringLiteral("10.5"));
        QCOMPARE(fontSizeText(10.4999999), QStringLiteral("10.5"));
        QCOMPARE(fontSizeText(72), QStringLiteral("72"));
        const QStringList words{"常规", "粗体", "斜体", "粗斜体"};
        for (int i = 0; i < 4; ++i) {
            const bool bold = i & 1;
            const bool italic = i & 2;
            QCOMPARE(fontStyleWord(bold, italic), words[(bold ? 1 : 0) + (italic ? 2 : 0)]);
            QCOMPARE(fontStyleFlags(fontStyleWord(bold, italic))->bold, bold);
            QCOMPARE(fontStyleFlags(fontStyleWord(bold, italic))->italic, italic);
        }
        QVERIFY(!fontStyleFlags(QStringLiteral("Bold")));
    }

    void namesAreMatchedExactlyIgnoringLetterCase()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        LabelStore labels(t.store);
        const QStringList names{"O'Brien", "50%", "a_b", "名字🎉", " 甲"};
        for (const QString& name : names)
            QVERIFY(labels.addLabel(1, {name, QStringLiteral("文字"), 1, 2, "宋体", "12", "常规"}).isOk());
        for (const QString& name : names)
            QVERIFY2(labels.nameInUse(name).value(), qPrintable(name));
        QVERIFY(labels.nameInUse(QStringLiteral("o'brien")).value());
        QVERIFY(labels.nameInUse(QStringLiteral("A_B")).value());
        for (const char* other : {"5%", "50", "axb", "甲", "O'", "%"})
            QVERIFY2(!labels.nameInUse(QString::fromUtf8(other)).value(), other);

        // Where names differ only in case, a change lands on the exact one.
        t.db.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (1, 'o''brien', 0, 0)"));
        const Result<bool> changed = labels.changeLabel(
            1, {QStringLiteral("o'brien"), QStringLiteral("新"), 7, 8, "黑体", "9", "粗体"});
        QVERIFY(changed.isOk() && changed.value());
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT KeyValue FROM Main WHERE Keywords = 'O''Brien' COLLATE "
                                            "BINARY")),
                 QVariant(QStringLiteral("文字")));
        QCOMPARE(
            t.db.scalar(QStringLiteral("SELECT KeyX FROM Main WHERE Keywords = 'o''brien' COLLATE BINARY"))
                .toDouble(),
            7.0);
        QVERIFY(!labels.changeLabel(1, {QStringLiteral("无此标签"), "x", 0, 0, "a", "1", "常规"}).value());
    }

    void guestNameSettingIsCreatedWhenMissing()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.db.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (2, '二')"));
        LabelStore labels(t.store);
        QVERIFY(labels.saveGuestName(2, {12.5, -3, QStringLiteral("楷体"), "10.5", "粗体"}).isOk());
        QCOMPARE(
            t.db.scalar(QStringLiteral("SELECT keyx || '/' || keyy || '/' || keyfont || '/' || keyfontsize "
                                       "FROM GuestXY WHERE ListID = 2")),
            QVariant(QStringLiteral("12.5/-3.0/楷体/10.5")));
        QVERIFY(labels.saveGuestName(2, {1, 2, QStringLiteral("黑体"), "9", "常规"}).isOk());
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT count(*) FROM GuestXY")).toInt(), 2);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT keyfont FROM GuestXY WHERE ListID = 2")),
                 QVariant(QStringLiteral("黑体")));
        QVERIFY(t.db.scalar(QStringLiteral("SELECT keyfont FROM GuestXY WHERE ListID = 1")).isNull());
    }

    void gridModelKeepsInsertionOrderAndRefusesNonNumbers()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.db.addStyle(2, QStringLiteral("二"), 1);
        // Three labels stamped in the same millisecond, their names against the insertion order.
        for (const char* name : {"丙", "乙", "甲"}) {
            t.db.exec(
                QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
                               "KeyFontSize, KeyFontStyle, KeyDate) VALUES (1, ?, 'v', 5, 6, '宋体', '12', "
                               "'常规', '2026-01-01 10:00:00.000')"),
                {QString::fromUtf8(name)});
        }
        LabelGridModel model(t.store);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model.load(1).isOk());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("打印横坐标"));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("丙"));
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("甲"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("5"));

        QSignalSpy refused(&model, &LabelGridModel::editRefused);
        const QString before = t.db.snapshot();
        const std::pair<int, const char*> refusedEdits[] = {{2, "abc"}, {2, "1 2"}, {3, ""},   {3, "１"},
                                                            {5, ""},    {5, "大"},  {5, "-3"}, {5, "0"}};
        for (const auto& [column, text] : refusedEdits) {
            QVERIFY2(!model.setData(model.index(1, column), QString::fromUtf8(text)), text);
            QCOMPARE(t.db.snapshot(), before);
        }
        QCOMPARE(refused.count(), 8);
        QVERIFY(refused.first().first().toString().contains(QStringLiteral("打印横坐标只能是数字")));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("5"));

        QVERIFY(model.setData(model.index(1, 2), QStringLiteral(" -2.5 ")));
        QVERIFY(model.setData(model.index(1, 5), QStringLiteral("10.5")));
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("50%_'")));
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT KeyX FROM Main WHERE Keywords = '50%_'''")).toDouble(),
                 -2.5);
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("-2.5"));

        // Deleting rows removes those labels and no other.
        QVERIFY(model.deleteRows({2, 0}).isOk());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 1), 1);
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 2), 1);
        QVERIFY(model.reload().isOk());
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("50%_'"));
    }
};

QTEST_MAIN(tst_labelstore)
#include "tst_labelstore.moc"
