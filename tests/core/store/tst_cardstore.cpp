// The card database: its schema, exact name lookups, the guest cursor, all-or-nothing style deletion,
// and clear messages for files that are not what they should be.
#include "core/store/CardFieldStore.h"
#include "core/store/CardStore.h"
#include "core/store/DesignStore.h"
#include "core/store/GuestStore.h"
#include "core/store/PrinterStore.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Starts the helper with `arguments` and kills it (SIGKILL: no chance to clean up) once it says it is
// inside its transaction. False when it never got there.
bool killInside(const QStringList& arguments)
{
    QProcess helper;
    helper.start(QStringLiteral(STORE_KILL_HELPER), arguments);
    QByteArray said;
    while (!said.contains("inside") && helper.waitForReadyRead(10000))
        said += helper.readAllStandardOutput();
    helper.kill();
    return helper.waitForFinished(10000) && said.contains("inside");
}

} // namespace

class tst_cardstore : public QObject
{
    Q_OBJECT

private slots:
    // Catches a schema that stores positions as text (moving a label is arithmetic), takes text that is
    // not a number into a numeric column or a second style of a name in another case, takes an
    // anchor, fit width or 竖排 flag no program writes, returns labels stamped in the same
    // millisecond out of their insertion order, or minds the letter case of table and column names.
    void deliveredSchemaKeepsNumbersAndOrder()
    {
        TestDatabase db;
        QVERIFY(CardStore(db.path()).check().isOk());
        db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES ('7', 'Seven')"_s);
        QCOMPARE(db.scalar(u"SELECT typeof(ListID) FROM Lists"_s).toString(), u"integer"_s);
        db.exec(u"INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (7, 'a', '10', '2.5')"_s);
        db.exec(u"UPDATE Main SET KeyX = KeyX + 5"_s);
        QCOMPARE(db.scalar(u"SELECT KeyX FROM Main"_s).toDouble(), 15.0);
        for (const char* refused :
             {"INSERT INTO Main (ListID, KeyX) VALUES (7, 'abc')",
              "INSERT INTO Main (ListID, KeyY) VALUES (7, '')",
              "INSERT INTO GuestXY (ListID, keyx) VALUES (7, 'x')",
              "INSERT INTO Lists (ListID, ListName) VALUES ('x', 'y')",
              "INSERT INTO Lists (ListID, ListName) VALUES (8, 'SEVEN')", "UPDATE Main SET KeyAnchor = 3",
              "UPDATE Main SET KeyAnchor = '中'", "UPDATE Main SET KeyFitWidth = 0",
              "UPDATE Main SET KeyFitWidth = '宽'", "UPDATE Main SET KeyVertical = 2",
              "INSERT INTO GuestXY (ListID, keyfitwidth) VALUES (7, -5)",
              "INSERT INTO GuestXY (ListID, keyvertical) VALUES (7, NULL)"})
            QVERIFY2(db.refuses(QString::fromUtf8(refused)), refused);

        // One statement: every row gets the same KeyDate.
        db.exec(u"WITH RECURSIVE n(i) AS (SELECT 199 UNION ALL SELECT i - 1 FROM n WHERE i > 0) "
                "INSERT INTO [main] (ListID, KeyWords) SELECT 9, 'k' || i FROM n"_s);
        QStringList expected;
        for (int i = 199; i >= 0; --i)
            expected << u"k%1"_s.arg(i);
        for (const QString& order : {u"1"_s, u"KeyDate, LabelID"_s})
            QCOMPARE(db.scalar(u"SELECT group_concat(keywords) FROM (SELECT * FROM [MAIN] WHERE ListID = 9 "
                               "ORDER BY %1)"_s.arg(order))
                         .toString(),
                     expected.join(u','));
    }

    void styleNamesAreFoundExactly()
    {
        TestDatabase db;
        const QStringList names{u"O'Brien"_s, u"100%"_s, u"a_b"_s, u"aXb"_s, u"引号\"内"_s, u"张府婚宴🎉"_s};
        for (int i = 0; i < names.size(); ++i)
            db.addStyle(i + 1, names.at(i));
        CardStore store(db.path());

        const Result<QStringList> listed = store.styleNames();
        QVERIFY(listed.isOk());
        QCOMPARE(listed.value(), names);
        for (int i = 0; i < names.size(); ++i) {
            const Result<std::optional<qint16>> id = store.styleIdByName(names.at(i));
            QVERIFY(id.isOk());
            QCOMPARE(id.value().value_or(-1), i + 1);
        }
        QVERIFY(!store.styleIdByName(u"100"_s).value());
        QVERIFY(!store.styleIdByName(u"%"_s).value());
        QVERIFY(!store.styleIdByName(u"a%"_s).value());
        QCOMPARE(store.styleIdByName(u"o'brien"_s).value().value_or(-1), 1); // letter case ignored
    }

    // Catches a cursor that walks by name rather than entry, strays into another style's guests entered
    // in between, or is not at its end for a style without guests.
    void guestCursorWalksInEntryOrder()
    {
        TestDatabase db;
        db.addStyle(1, u"一"_s, 1, 3);
        db.addStyle(2, u"二"_s, 1, 2);
        db.exec(u"INSERT INTO Guests (ListID, Name) VALUES (1, '后来者')"_s);
        CardStore store(db.path());
        QCOMPARE(store.guestCount(1).value(), 4);
        QStringList seen;
        for (Result<GuestCursor> c = store.firstGuest(1); !c.value().atEnd; c = store.nextGuest(c.value()))
            seen << c.value().guest.name;
        QCOMPARE(seen, (QStringList{u"宾客1"_s, u"宾客2"_s, u"宾客3"_s, u"后来者"_s}));
        QVERIFY(store.firstGuest(5).value().atEnd);
    }

    void badFilesGetAClearMessage_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the file, unless `sql` changes a delivered one
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not a database") << QByteArray(4096, 'x') << QString() << u"不是有效的数据库"_s;
        QTest::newRow("damaged header") << QByteArray("SQLite format 3\0garbage", 24).append(4000, '\x7f')
                                        << QString() << u"不是有效的数据库"_s;
        QTest::newRow("empty file") << QByteArray() << QString() << u"缺少数据表“Lists”"_s;
        QTest::newRow("foreign database")
            << QByteArray()
            << u"CREATE TABLE Orders (id); DROP TABLE Lists; DROP TABLE Main; DROP TABLE GuestXY; "
               "DROP TABLE Guests"_s
            << u"缺少数据表“Lists”"_s;
        QTest::newRow("missing column") << QByteArray() << u"ALTER TABLE Guests DROP COLUMN Remark"_s
                                        << u"数据表“Guests”缺少字段“Remark”"_s;
        QTest::newRow("no row identities")
            << QByteArray()
            << u"DROP TABLE Main; CREATE TABLE Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, "
               "KeyFontSize, KeyFontStyle, KeyDate)"_s
            << u"数据表“Main”缺少字段“LabelID”"_s;
    }

    void badFilesGetAClearMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        TestDatabase db;
        const QString path = sql.isEmpty() ? dir.filePath(u"Date_D.dat"_s) : db.path();
        QFile file(path);
        if (sql.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        for (const QString& statement : sql.split(u';', Qt::SkipEmptyParts))
            db.exec(statement);
        file.close();
        CardStore store(path);
        const Status checked = store.check();
        QVERIFY(!checked.isOk());
        QVERIFY2(checked.error().contains(expected), qPrintable(checked.error()));
        QVERIFY2(checked.error().contains(path), qPrintable(checked.error())); // names the file
        QVERIFY(!store.styleNames().isOk());
        QVERIFY(!store.deleteStyle(1).isOk());
        QVERIFY(!store.guestCount(1).isOk());
    }

    void missingFileIsNeverCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Date_D.dat"_s);
        CardStore store(path);
        const Result<QStringList> names = store.styleNames();
        QVERIFY(!names.isOk());
        QVERIFY(names.error().contains(u"丢失"_s));
        QVERIFY(!QFile::exists(path));
    }

    // Catches a file held by another program that is written anyway, a refusal without the clear
    // message, and a store that stays unusable once the lock is gone. (A read-only file is refused on
    // the same connection; the label window's table shows it.)
    void lockedFileRefusesWritesAndKeepsData()
    {
        TestDatabase db;
        db.addStyle(1, u"一"_s, 2, 3);
        const QString before = db.snapshot();
        CardStore store(db.path());
        store.setBusyTimeoutMs(100);
        QVERIFY(store.check().isOk());
        db.exec(u"BEGIN EXCLUSIVE"_s);
        const Status s = store.deleteStyle(1);
        db.exec(u"ROLLBACK"_s);
        QVERIFY2(!s.isOk() && s.error().contains(u"正被其他程序使用"_s), qPrintable(s.error()));
        QCOMPARE(db.snapshot(), before);
        QVERIFY(store.deleteStyle(1).isOk());
    }

    // Catches a deletion that is not one transaction: a process killed (SIGKILL) in the middle of
    // deleting a style, after some of its rows are gone, leaves that style whole and the styles
    // deleted before it gone, in a sound file.
    void deletionKilledPartWayLeavesStylesWholeOrGone()
    {
        constexpr int kStyles = 4;
        constexpr int kGuests = 300;
        constexpr int kLabels = 20;
        TestDatabase db;
        for (int id = 1; id <= kStyles; ++id) {
            db.addStyle(id, u"样式%1"_s.arg(id), kLabels);
            db.exec(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                    "INSERT INTO Guests (ListID, Name) SELECT ?, 'g' || i FROM n"_s,
                    {kGuests, id});
        }

        QVERIFY(killInside({u"delete"_s, db.path(), u"1"_s, u"3"_s})); // in the middle of deleting style 3

        QCOMPARE(db.scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        // Rows of each style in Lists, GuestXY, Guests and Main: styles 1 and 2 gone, 3 and 4 whole.
        for (int id = 1; id <= kStyles; ++id) {
            QStringList rows{u"style %1:"_s.arg(id)};
            for (const QString& table : {u"Lists"_s, u"GuestXY"_s, u"Guests"_s, u"Main"_s})
                rows << QString::number(db.rowsOf(table, id));
            const QString whole = u"style %1: 1 1 %2 %3"_s.arg(id).arg(kGuests).arg(kLabels);
            QCOMPARE(rows.join(u' '), id <= 2 ? u"style %1: 0 0 0 0"_s.arg(id) : whole);
        }
    }

    // Catches an upgrade that changes a file without a backup, is not all or nothing, writes to a
    // file opened read-only, or writes to a file of a newer program; the rows of an old file must
    // come through unchanged.
    void olderFilesAreUpgradedAfterABackup()
    {
        const auto step = [](int version, const QString& sql) {
            return UpgradeStep{version, u"第%1步"_s.arg(version),
                               [sql](QSqlDatabase& db) { return SchemaUpgrade::runStatements(db, {sql}); }};
        };
        const QList<UpgradeStep> steps{
            step(2, u"CREATE TABLE Added (A INTEGER)"_s),
            step(3, u"ALTER TABLE Guests ADD COLUMN Added TEXT NOT NULL DEFAULT '一'"_s)};
        const QString guestRows = u"SELECT group_concat(Name || ListID) FROM Guests"_s;
        const QString version = u"PRAGMA user_version"_s;
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, u"婚宴"_s, 2, 3);
        const QVariant guests = db.scalar(guestRows);
        const auto checked = [&](bool readOnly, const QList<UpgradeStep>& with) {
            CardStore store(db.path());
            store.setReadOnly(readOnly);
            store.setUpgradeSteps(with);
            const Status s = store.check();
            return s.isOk() && store.guestCount(1).value() == 3 ? QString() : s.error();
        };

        const QString failed = checked(false, {steps.at(0), step(3, u"CREATE TABLE Added (B)"_s)});
        QVERIFY2(failed.contains(u"第3步"_s) && failed.contains(u"保持原样"_s), qPrintable(failed));
        QCOMPARE(db.scalar(version).toInt(), 1); // nothing of the step before the failing one stays
        QVERIFY(db.scalar(u"SELECT name FROM sqlite_master WHERE name = 'Added'"_s).isNull());
        QCOMPARE(checked(true, steps), QString()); // the exporter: an upgraded copy, the file untouched
        QCOMPARE(db.scalar(version).toInt(), 1);
        QCOMPARE(checked(false, steps), QString());
        QCOMPARE(db.scalar(version).toInt(), 3);
        QCOMPARE(db.scalar(guestRows), guests);
        QCOMPARE(db.scalar(u"SELECT group_concat(Added) FROM Guests"_s).toString(), u"一,一,一"_s);
        QCOMPARE(db.backups().size(), 2); // one copy before each attempt that writes
        for (const QString& backup : db.backups())
            QVERIFY2(backup.contains(u" 升级前 数据版本1"_s), qPrintable(backup));

        db.exec(u"PRAGMA user_version = 9"_s); // a file of a newer program: read, never written
        CardStore newer(db.path());
        newer.setUpgradeSteps(steps);
        QVERIFY(newer.check().isOk());
        QVERIFY2(newer.notice().contains(u"只读"_s), qPrintable(newer.notice()));
        const Status write = newer.deleteStyle(1);
        QVERIFY2(!write.isOk() && write.error().contains(u"只读"_s), qPrintable(write.error()));
        QCOMPARE(db.scalar(guestRows), guests);
    }

    // Catches an upgrade that is not one transaction: a process killed in the middle of its step
    // leaves the version-1 file as it was, and the next start upgrades it.
    void upgradeKilledPartWayLeavesTheFileAsItWas()
    {
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, u"婚宴"_s, 2, 3);
        const QString before = db.snapshot();
        QVERIFY(killInside({u"upgrade"_s, db.path()}));

        QCOMPARE(db.scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        QCOMPARE(db.scalar(u"PRAGMA user_version"_s).toInt(), 1);
        QCOMPARE(db.snapshot(), before); // every table: none of the added ones is there
        CardStore store(db.path());
        QVERIFY(store.check().isOk());
        QCOMPARE(db.scalar(u"PRAGMA user_version"_s).toInt(), SchemaUpgrade::currentVersion());
    }

    void deletionsTakeTheirCardsInTheSameTransaction_data()
    {
        QTest::addColumn<int>("deletion");
        QTest::addColumn<QString>("left"); // GuestID:ListID of the cards left afterwards
        QTest::newRow("guests deleted") << 0 << u"1:1,3:1,4:2"_s;
        QTest::newRow("list cleared") << 1 << u"4:2"_s;
        QTest::newRow("style deleted") << 2 << u"4:2"_s;
    }

    // Catches cards that outlive their guest or style (a new guest must not inherit them), and a
    // deletion whose cards go in a transaction of their own: when their removal fails, the guests
    // and the style stay too, and the message says why.
    void deletionsTakeTheirCardsInTheSameTransaction()
    {
        QFETCH(int, deletion);
        QFETCH(QString, left);
        TestDatabase db;
        db.addStyle(1, u"婚宴"_s, 1, 3);
        db.addStyle(2, u"寿宴"_s, 1, 1);
        for (int guest = 1; guest <= 4; ++guest) {
            db.exec(u"INSERT INTO PrintRecord (ListID, GuestID, State, SentAt) VALUES (?, ?, '已打印', '')"_s,
                    {guest == 4 ? 2 : 1, guest});
        }
        CardStore store(db.path());
        GuestStore guests(store);
        const auto remove = [&] {
            return deletion == 0   ? guests.remove(1, {2})
                   : deletion == 1 ? guests.clear(1)
                                   : store.deleteStyle(1);
        };
        db.exec(
            u"CREATE TRIGGER KeepCards BEFORE DELETE ON PrintRecord BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
        const QString before = db.snapshot();
        const Status refused = remove();
        QVERIFY(!refused.isOk() && refused.error().contains(u"kept"_s));
        QCOMPARE(db.snapshot(), before);

        db.exec(u"DROP TRIGGER KeepCards"_s);
        QVERIFY(remove().isOk());
        QCOMPARE(db.scalar(u"SELECT group_concat(GuestID || ':' || ListID) FROM PrintRecord"_s).toString(),
                 left);
    }

    // Catches an upgrade that leaves an existing guest or style printing differently: every guest of
    // a version-1 file gets no 称谓, no 同行, no table and 1 attending, every style the name alone,
    // the default 称谓 rules and the order of entry, and no printer, paper, correction or background
    // it never had; the new values keep their rules, and print settings go with their style.
    void version1FilesPrintAsBeforeAndGuestsGetFieldDefaults()
    {
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, u"婚宴"_s, 1, 2);
        db.addStyle(2, u"寿宴"_s, 1, 1);
        db.exec(u"UPDATE Guests SET Sex = '男' WHERE Name = '宾客1'"_s);
        const QString guestsBefore = u"SELECT group_concat(Name || '|' || ifnull(Sex, '') || '|' || "
                                     "Connection || SaveTime, ';') FROM Guests"_s;
        const QVariant before = db.scalar(guestsBefore);
        CardStore store(db.path());
        QVERIFY(store.check().isOk());
        QCOMPARE(db.scalar(u"PRAGMA user_version"_s).toInt(), SchemaUpgrade::currentVersion());
        QCOMPARE(db.scalar(guestsBefore), before);
        QCOMPARE(db.scalar(u"SELECT group_concat(Salutation || '|' || Partner || '|' || TableNo || "
                           "'|' || Attending, ';') FROM Guests"_s)
                     .toString(),
                 u"|||1;|||1;|||1"_s);
        QCOMPARE(db.scalar(u"SELECT NameFormat || '|' || PartnerFormat FROM GuestXY"_s).toString(),
                 u"{姓名}|"_s);
        CardFieldStore fields(store);
        QCOMPARE(fields.salutationRules(1).value(), SalutationRules());
        QCOMPARE(fields.tableOrder(1).value(), false);
        const Result<GuestCursor> first = store.firstGuest(1);
        QCOMPARE(first.value().guest.name, u"宾客1"_s);
        QCOMPARE(first.value().guest.attending, 1);
        QCOMPARE(db.backups().size(), 1);
        PrinterStore printers(store);
        QVERIFY(printers.styleSetting(1).value() == PrintSetting{});
        QVERIFY(!printers.correction(u"FennickPDF"_s, u"210x297"_s).value());
        QVERIFY(!DesignStore(store).background(1).value()); // nothing under the card either

        // 人数 is a whole number from 1 up, whatever writes it.
        for (const char* bad : {"0", "-2", "'两位'", "1.5"})
            QVERIFY2(db.refuses(u"UPDATE Guests SET Attending = %1"_s.arg(QLatin1String(bad))), bad);
        SalutationRules rules;
        rules.male = u"君"_s;
        rules.unknown = u"阁下"_s;
        QVERIFY(fields.saveSalutationRules(1, rules).isOk());
        QVERIFY(fields.saveTableOrder(1, true).isOk());
        QCOMPARE(fields.salutationRules(1).value(), rules);
        QCOMPARE(fields.tableOrder(1).value(), true);
        QCOMPARE(fields.salutationRules(2).value(), SalutationRules()); // another style keeps the defaults
        PrintSetting own;
        own.printer = u"打印机甲"_s;
        own.customSizeMm = QSizeF(185, 260);
        own.landscape = true;
        for (qint16 id : {1, 2})
            QVERIFY(printers.saveStyleSetting(id, own).isOk());
        QVERIFY(printers.styleSetting(2).value() == own);
        QVERIFY(store.deleteStyle(1).isOk());
        QCOMPARE(db.rowsOf(u"Salutations"_s, 1), 0);
        QCOMPARE(db.rowsOf(u"StylePrinter"_s, 1), 0);
        QCOMPARE(db.rowsOf(u"StylePrinter"_s, 2), 1);
    }

    // Catches a table-order run that reads 桌号 as text (10 before 8), loses guests without a table,
    // stops at a guest deleted while it runs, or takes in another style's guests.
    void tableOrderCursor()
    {
        TestDatabase db;
        db.addStyle(1, u"婚宴"_s, 1, 0);
        db.addStyle(2, u"寿宴"_s, 1, 1);
        for (const auto& [name, table] : {std::pair{"甲", "10"}, std::pair{"乙", ""}, std::pair{"丙", "8"},
                                          std::pair{"丁", "9"}, std::pair{"戊", "8"}})
            db.exec(u"INSERT INTO Guests (ListID, Name, TableNo) VALUES (1, ?, ?)"_s,
                    {QString::fromUtf8(name), QString::fromUtf8(table)});
        CardStore store(db.path());
        QStringList seen;
        for (Result<GuestCursor> c = store.firstGuest(1, PrintOrder::Table); !c.value().atEnd;
             c = store.nextGuest(c.value())) {
            seen << c.value().guest.name + c.value().guest.table;
            if (c.value().guest.name == u"戊"_s)
                db.exec(u"DELETE FROM Guests WHERE Name = '丁'"_s);
        }
        QCOMPARE(seen, (QStringList{u"丙8"_s, u"戊8"_s, u"甲10"_s, u"乙"_s}));
    }
};

QTEST_GUILESS_MAIN(tst_cardstore)
#include "tst_cardstore.moc"
