// The move window driven through its controls: its checks in order, the four directions, and a
// move that fails part-way leaving every label where it was.
#include "labels/w_LabelMove.h"
#include "support/TestSession.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QLineEdit* distanceBox(QWidget& w)
{
    return w.findChild<QLineEdit*>(QStringLiteral("T_Move"));
}

void pressOk(QWidget& w)
{
    auto* ok = w.findChild<QPushButton*>(QStringLiteral("Cmd_OK"));
    ok->setFocus();
    QTest::mouseClick(ok, Qt::LeftButton);
}

// Style 1 has two labels at (5, 10) and (30, 20); style 2 has one label that no move may touch.
void addLabels(TestSession& t)
{
    t.db.addStyle(1, QStringLiteral("一"));
    t.db.addStyle(2, QStringLiteral("二"), 1);
    for (const auto& [x, y] : {std::pair{5, 10}, std::pair{30, 20}}) {
        t.db.exec(QStringLiteral(
                      "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY) VALUES (1, ?, 'v', ?, ?)"),
                  {QStringLiteral("标签%1").arg(x), x, y});
    }
    t.choose(1, QStringLiteral("一"));
}

QString positions(TestSession& t)
{
    return t.db
        .scalar(
            QStringLiteral("SELECT group_concat(KeyX || ',' || KeyY, ' ') FROM (SELECT KeyX, KeyY FROM Main "
                           "WHERE ListID = 1 ORDER BY LabelID)"))
        .toString();
}

} // namespace

class tst_w_labelmove : public QObject
{
    Q_OBJECT

private slots:
    void refusedDistances_data()
    {
        QTest::addColumn<QString>("distance");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("focusOnBox");
        const QString none = QStringLiteral("请输入需要移动的距离。");
        const QString notDigits = QStringLiteral("移动距离只能是数字，请检查后重新输入。");
        QTest::newRow("empty") << "" << none << true;
        QTest::newRow("spaces") << "   " << none << true;
        QTest::newRow("zero") << " 0 " << none << true;
        QTest::newRow("negative") << "-5"
                                  << QStringLiteral(
                                         "请输入正数。如需向坐标零点方向移动，请选择“向左”或“向上”移动。")
                                  << true;
        QTest::newRow("plus") << "+5" << notDigits << false;
        QTest::newRow("decimal") << "2.5" << notDigits << false;
        QTest::newRow("full-width") << "５" << notDigits << false;
    }

    void refusedDistances()
    {
        QFETCH(QString, distance);
        QFETCH(QString, message);
        QFETCH(bool, focusOnBox);
        TestSession t;
        addLabels(t);
        const QString before = t.db.snapshot();
        w_LabelMove w(t.session);
        w.show();
        distanceBox(w)->setText(distance);
        pressOk(w);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().text, message);
        QCOMPARE(t.messages.last().kind, message.startsWith(QStringLiteral("请输入正数"))
                                             ? ShownMessage::Kind::Exclamation
                                             : ShownMessage::Kind::Critical);
        QCOMPARE(w.focusWidget()->objectName(),
                 focusOnBox ? QStringLiteral("T_Move") : QStringLiteral("Cmd_OK"));
        QVERIFY(w.isVisible());
        QCOMPARE(t.db.snapshot(), before);
    }

    void movesEveryLabelOfTheStyle_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("distance");
        QTest::addColumn<QString>("expected");
        QTest::newRow("left past the edge") << "O_Left"
                                            << "10"
                                            << "-5.0,10.0 20.0,20.0";
        QTest::newRow("right") << "O_Right"
                               << "5"
                               << "10.0,10.0 35.0,20.0";
        QTest::newRow("up") << "O_Up"
                            << "3"
                            << "5.0,7.0 30.0,17.0";
        QTest::newRow("down") << "O_Down"
                              << "3"
                              << "5.0,13.0 30.0,23.0";
        QTest::newRow("double zero") << "O_Left"
                                     << "00"
                                     << "5.0,10.0 30.0,20.0";
    }

    void movesEveryLabelOfTheStyle()
    {
        QFETCH(QString, direction);
        QFETCH(QString, distance);
        QFETCH(QString, expected);
        TestSession t;
        addLabels(t);
        const QVariant otherStyle =
            t.db.scalar(QStringLiteral("SELECT KeyX || KeyY FROM Main WHERE ListID = 2"));
        w_LabelMove w(t.session);
        w.show();
        QCOMPARE(distanceBox(w)->text(), QStringLiteral("0"));
        if (direction == QLatin1String("O_Left")) // selected, and focused, when the window opens
            QCOMPARE(w.focusWidget()->objectName(), direction);
        else
            QTest::mouseClick(w.findChild<QRadioButton*>(direction), Qt::LeftButton);
        distanceBox(w)->setText(distance);
        pressOk(w);
        QCOMPARE(positions(t), expected);
        QCOMPARE(t.db.scalar(QStringLiteral("SELECT KeyX || KeyY FROM Main WHERE ListID = 2")), otherStyle);
        QCOMPARE(t.messages.count(), 1);
        QCOMPARE(t.messages.last().title, QStringLiteral("提示"));
        QCOMPARE(t.messages.last().text, QStringLiteral("所有标签已经移动完成。"));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
    }

    void nothingToMoveOrAFailureChangesNothing()
    {
        TestSession t;
        addLabels(t);
        t.choose(3, QStringLiteral("三"));
        w_LabelMove empty(t.session);
        empty.show();
        distanceBox(empty)->setText(QStringLiteral("5"));
        pressOk(empty);
        QCOMPARE(t.messages.last().text, QStringLiteral("没有可移动标签。"));
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QVERIFY(empty.isVisible());

        // The second label cannot be written: the first must not stay moved.
        t.choose(1, QStringLiteral("一"));
        t.db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Main WHEN OLD.KeyX = 30 BEGIN "
                                 "SELECT RAISE(ABORT, 'disk trouble'); END"));
        const QString before = t.db.snapshot();
        w_LabelMove w(t.session);
        w.show();
        QTest::mouseClick(w.findChild<QRadioButton*>(QStringLiteral("O_Right")), Qt::LeftButton);
        distanceBox(w)->setText(QStringLiteral("5"));
        pressOk(w);
        QCOMPARE(t.messages.last().kind, ShownMessage::Kind::Critical);
        QVERIFY(t.messages.last().text.contains(QStringLiteral("disk trouble")));
        QCOMPARE(t.db.snapshot(), before);
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(tst_w_labelmove)
#include "tst_w_labelmove.moc"
