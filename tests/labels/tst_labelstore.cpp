// The checks on typed numbers, the font texts, and the label grid's model on a real database.
#include "labels/FontChoice.h"
#include "store/LabelGridModel.h"
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
        QTest::newRow("leading zero") << "012" << true << true << 12.0;
        QTest::newRow("minus") << "-5" << false << true << -5.0;
        QTest::newRow("point first") << "-.5" << false << true << -0.5;
        QTest::newRow("inner space") << "1 2" << false << false << 0.0;
        QTest::newRow("full-width") << "１２" << false << false << 0.0;
        QTest::newRow("plus") << "+5" << false << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << false << 0.0;
        QTest::newRow("sign only") << "-" << false << false << 0.0;
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
        QCOMPARE(fontSizeText(12), QStringLiteral("12"));
        QCOMPARE(fontSizeText(10.4999999), QStringLiteral("10.5"));
        const QStringList words{"常规", "粗体", "斜体", "粗斜体"};
        for (int i = 0; i < 4; ++i) {
            const bool bold = i & 1;
            const bool italic = i & 2;
            QCOMPARE(fontStyleWord(bold, italic), words[i]);
            QCOMPARE(fontStyleFlags(words[i])->bold, bold);
            QCOMPARE(fontStyleFlags(words[i])->italic, italic);
        }
        QVERIFY(!fontStyleFlags(QStringLiteral("Bold")));
    }

    void gridKeepsInsertionOrderAndRefusesNonNumbers()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("一"));
        t.db.addStyle(2, QStringLiteral("二"), 1);
        // Three labels stamped in the same millisecond, their names against the insertion order.
        for (const char* name : {"丙", "乙", "甲"}) {
            t.db.exec(QStringLiteral(
                          "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFontSize, KeyDate) "
                          "VALUES (1, ?, 'v', 5, 6, '12', '2026-01-01 10:00:00.000')"),
                      {QString::fromUtf8(name)});
        }
        LabelGridModel model(t.store);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model.load(1).isOk());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("打印横坐标"));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("丙"));
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("甲"));

        QSignalSpy refused(&model, &LabelGridModel::editRefused);
        const QString before = t.db.snapshot();
        const std::pair<int, const char*> refusedEdits[] = {{2, "abc"}, {2, "1 2"}, {3, ""},   {3, "１"},
                                                            {5, ""},    {5, "大"},  {5, "-3"}, {5, "0"}};
        for (const auto& [column, text] : refusedEdits)
            QVERIFY2(!model.setData(model.index(1, column), QString::fromUtf8(text)), text);
        QCOMPARE(t.db.snapshot(), before);
        QCOMPARE(refused.count(), 8);
        QVERIFY(refused.first().first().toString().contains(QStringLiteral("打印横坐标只能是数字")));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("5"));

        QVERIFY(model.setData(model.index(1, 2), QStringLiteral(" -2.5 ")));
        QVERIFY(model.setData(model.index(1, 5), QStringLiteral("10.5")));
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("50%_'")));
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT KeyX FROM Main WHERE Keywords = '50%_'''")).toDouble(),
                 -2.5);

        // Deleting rows removes those labels and no other.
        QVERIFY(model.deleteRows({2, 0}).isOk());
        QVERIFY(model.reload().isOk());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("50%_'"));
        QCOMPARE(t.db.rowsOf(QStringLiteral("Main"), 2), 1);
    }
};

QTEST_MAIN(tst_labelstore)
#include "tst_labelstore.moc"
