// Data files made by other tools: style numbers and positions stored as text, and text in GBK. They
// are recognised when the file is opened and converted after a copy (the text only when the user
// agrees), or refused with a message that says what is wrong; never shown as an empty list.
#include "core/store/CardStore.h"
#include "core/store/LabelStore.h"
#include "support/TestDatabase.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

// A file another tool wrote: the four tables of the first version without types, every number as
// text, no data version; `textColumns` declares the style numbers of Guests as text, `gbkText` writes
// the names in GBK.
void writeForeignFile(TestDatabase& db, bool textColumns, bool gbkText)
{
    db.exec(u"PRAGMA user_version = 0"_s);
    for (const char* table : {"Main", "GuestXY", "Guests", "Lists"})
        db.exec(u"DROP TABLE %1"_s.arg(QLatin1String(table)));
    db.exec(u"CREATE TABLE Lists (ListID, ListName)"_s);
    db.exec(
        u"CREATE TABLE Main (LabelID INTEGER PRIMARY KEY, ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
        "KeyFontSize, KeyFontStyle, KeyDate)"_s);
    db.exec(u"CREATE TABLE GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle)"_s);
    db.exec(
        u"CREATE TABLE Guests (GuestID INTEGER PRIMARY KEY, ListID %1, Name, Sex, Connection, Job, Contact, "
        "Remark, SaveTime)"_s.arg(textColumns ? u"TEXT"_s : QString()));
    const auto text = [&](const QString& t) { return gbkText ? QVariant(gbk(t)) : QVariant(t); };
    db.exec(u"INSERT INTO Lists VALUES ('3', CAST(? AS TEXT))"_s, {text(u"婚宴"_s)});
    db.exec(u"INSERT INTO Main VALUES (NULL, '3', 'L1', '请柬', ' 10.5', '20', '宋体', '12', '常规', '')"_s);
    db.exec(u"INSERT INTO GuestXY VALUES ('3', '60', '90', '楷体', '20', '常规')"_s);
    for (const QString& name : {u"张三"_s, u"李四"_s})
        db.exec(u"INSERT INTO Guests VALUES (NULL, '3', CAST(? AS TEXT), NULL, '', '', '', '', '')"_s,
                {text(name)});
}

} // namespace

class tst_foreigndata : public QObject
{
    Q_OBJECT

private slots:
    void filesOfOtherToolsAreConvertedOrRefused_data()
    {
        QTest::addColumn<bool>("textColumns");
        QTest::addColumn<bool>("gbkText");
        QTest::addColumn<int>("answer"); // to the question about the text: -1 nobody asks, 0 no, 1 yes
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("refusal"); // empty: converted
        QTest::newRow("numbers as text") << false << false << -1 << false << QString();
        QTest::newRow("numbers, read-only") << false << false << -1 << true << QString();
        QTest::newRow("GBK, converted") << false << true << 1 << false << QString();
        QTest::newRow("GBK, not converted") << false << true << 0 << false << u"不是 UTF-8 编码"_s;
        QTest::newRow("GBK, nobody to ask") << false << true << -1 << true << u"不是 UTF-8 编码"_s;
        QTest::newRow("numbers in a text column") << true << false << -1 << false << u"只能保存文字"_s;
    }

    // Catches a file whose style numbers are text shown with 0 guests and no labels, GBK names shown
    // as garbage or called "no longer exists", text rewritten without asking, a file changed without
    // a copy first, a read-only file written, and a refusal that changes anything.
    void filesOfOtherToolsAreConvertedOrRefused()
    {
        QFETCH(bool, textColumns);
        QFETCH(bool, gbkText);
        QFETCH(int, answer);
        QFETCH(bool, readOnly);
        QFETCH(QString, refusal);
        TestDatabase db(QStringLiteral(FENNICK_V1_DB)); // the four tables only, as other tools know them
        writeForeignFile(db, textColumns, gbkText);
        const QString before = db.exactDump();

        QStringList asked;
        CardStore store(db.path());
        store.setReadOnly(readOnly);
        if (answer >= 0) {
            store.setAsker([&](const QString& question) {
                asked << question;
                return answer == 1;
            });
        }
        const Status checked = store.check();
        QCOMPARE(asked.size(), answer >= 0 ? 1 : 0);
        if (!asked.isEmpty())
            QVERIFY2(asked.first().contains(u"“婚宴”"_s) && asked.first().contains(u"3 处"_s),
                     qPrintable(asked.first()));
        if (!refusal.isEmpty()) {
            QVERIFY2(!checked.isOk() && checked.error().contains(refusal), qPrintable(checked.error()));
            QVERIFY(checked.error().contains(db.path()));
            QCOMPARE(db.exactDump(), before);
            QVERIFY(!store.styleNames().isOk()); // no window shows an empty list instead
            return;
        }
        QVERIFY2(checked.isOk(), qPrintable(checked.error()));
        QCOMPARE(store.styleNames().value(), QStringList{u"婚宴"_s});
        QCOMPARE(store.styleIdByName(u"婚宴"_s).value(), std::optional<qint16>(3));
        QCOMPARE(store.guestCount(3).value(), 2);
        QCOMPARE(store.firstGuest(3).value().guest.name, u"张三"_s);
        const Result<QList<Label>> labels = LabelStore(store).labels(3, u"婚宴"_s);
        QVERIFY2(labels.isOk() && labels.value().size() == 1, qPrintable(labels.error()));
        QCOMPARE(labels.value().first().xMm, 10.5);
        QCOMPARE(LabelStore(store).guestNameSetting(3, u"婚宴"_s).value()->yMm, 90.0);
        if (readOnly) {
            QCOMPARE(db.exactDump(), before);
            QVERIFY(db.backups().isEmpty());
            return;
        }
        QVERIFY2(store.notice().contains(u"改为数值"_s), qPrintable(store.notice()));
        QCOMPARE(db.backups().size(), 1);
        QVERIFY2(db.backups().first().contains(u"升级前 数据版本1"_s), qPrintable(db.backups().first()));
        QCOMPARE(db.scalar(u"SELECT typeof(ListID) || typeof(KeyX) FROM Main"_s).toString(),
                 u"integerreal"_s);

        CardStore again(db.path()); // converted once: the next opening changes nothing
        QVERIFY(again.check().isOk());
        QVERIFY(again.notice().isEmpty());
        QCOMPARE(db.backups().size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_foreigndata)
#include "tst_foreigndata.moc"
