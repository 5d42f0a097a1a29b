// The card database: its schema, exact name lookups, all-or-nothing style deletion, the guest cursor,
// and clear messages for files that are not what they should be.
#include "core/store/CardStore.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

class tst_cardstore : public QObject
{
    Q_OBJECT

private slots:
    void deliveredSchemaKeepsNumbersAndOrder()
    {
        TestDatabase db;
        CardStore store(db.path());
        QVERIFY(store.check().isOk());

        db.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES ('7', 'Seven')"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT typeof(ListID) FROM Lists")).toString(),
                 QStringLiteral("integer"));

        // Positions handed over as text become numbers, so moving a label is arithmetic.
        db.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyX, KeyY) VALUES (7, 'a', '10', '2.5')"));
        db.exec(QStringLiteral("UPDATE Main SET KeyX = KeyX + 5"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT KeyX FROM Main")).toDouble(), 15.0);

        // Text that is not a number never lands in a numeric column.
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(db.path());
        QVERIFY(raw.open());
        {
            QSqlQuery q(raw);
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO Main (ListID, KeyX) VALUES (7, 'abc')")));
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO Main (ListID, KeyY) VALUES (7, '')")));
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO GuestXY (ListID, keyx) VALUES (7, 'x')")));
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES ('x', 'y')")));
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (8, 'SEVEN')")));

            // Labels inserted within one millisecond still come back in insertion order, by the first
            // column and by KeyDate; table and column names match in any letter case.
            QVERIFY(raw.transaction());
            for (int i = 0; i < 200; ++i)
                q.exec(
                    QStringLiteral("INSERT INTO [main] (ListID, KeyWords) VALUES (9, 'k%1')").arg(199 - i));
            QVERIFY(raw.commit());
            QVERIFY(q.exec(QStringLiteral("SELECT * FROM [MAIN] WHERE ListID = 9 ORDER BY 1")));
            int expected = 199;
            while (q.next())
                QCOMPARE(q.value(QStringLiteral("keywords")).toString(),
                         QStringLiteral("k%1").arg(expected--));
            QVERIFY(q.exec(
                QStringLiteral("SELECT KeyWords FROM Main WHERE ListID = 9 ORDER BY KeyDate, LabelID")));
            expected = 199;
            while (q.next())
                QCOMPARE(q.value(0).toString(), QStringLiteral("k%1").arg(expected--));
            QCOMPARE(expected, -1);
        }
        raw.close();
        raw = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }

    void styleNamesAreFoundExactly()
    {
        TestDatabase db;
        const QStringList names{QStringLiteral("O'Brien"),  QStringLiteral("100%"),
                                QStringLiteral("a_b"),      QStringLiteral("aXb"),
                                QStringLiteral("引号\"内"), QStringLiteral("张府婚宴🎉")};
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
        QVERIFY(!store.styleIdByName(QStringLiteral("100")).value());
        QVERIFY(!store.styleIdByName(QStringLiteral("%")).value());
        QVERIFY(!store.styleIdByName(QStringLiteral("a%")).value());
        QCOMPARE(store.styleIdByName(QStringLiteral("o'brien")).value().value_or(-1),
                 1); // letter case ignored
    }

    void deletingAStyleTakesAllItsRowsAndNothingElse()
    {
        TestDatabase db;
        db.addStyle(1, QStringLiteral("一"), 5, 30);
        db.addStyle(2, QStringLiteral("二"), 3, 4);
        db.addStyle(3, QStringLiteral("空"));
        CardStore store(db.path());

        QVERIFY(store.deleteStyle(1).isOk());
        QVERIFY(store.deleteStyle(3).isOk());
        for (const QString& table : {QStringLiteral("Lists"), QStringLiteral("GuestXY"),
                                     QStringLiteral("Guests"), QStringLiteral("Main")}) {
            QCOMPARE(db.rowsOf(table, 1), 0);
            QCOMPARE(db.rowsOf(table, 3), 0);
        }
        QCOMPARE(db.rowsOf(QStringLiteral("Lists"), 2), 1);
        QCOMPARE(db.rowsOf(QStringLiteral("GuestXY"), 2), 1);
        QCOMPARE(db.rowsOf(QStringLiteral("Main"), 2), 3);
        QCOMPARE(db.rowsOf(QStringLiteral("Guests"), 2), 4);
    }

    void guestCursorWalksInEntryOrder()
    {
        TestDatabase db;
        db.addStyle(1, QStringLiteral("一"), 1, 3);
        db.addStyle(2, QStringLiteral("二"), 1, 2);
        db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (1, '后来者')"));
        CardStore store(db.path());

        QCOMPARE(store.guestCount(1).value(), 4);
        QCOMPARE(store.guestCount(5).value(), 0);
        QStringList seen;
        for (Result<GuestCursor> c = store.firstGuest(1); !c.value().atEnd; c = store.nextGuest(c.value()))
            seen << c.value().name;
        QCOMPARE(seen, (QStringList{QStringLiteral("宾客1"), QStringLiteral("宾客2"), QStringLiteral("宾客3"),
                                    QStringLiteral("后来者")}));
        const Result<GuestCursor> empty = store.firstGuest(5);
        QVERIFY(empty.isOk());
        QVERIFY(empty.value().atEnd);
        QVERIFY(store.nextGuest(empty.value()).value().atEnd);
    }

    void badFilesGetAClearMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not a database")
            << QByteArray(4096, 'x') << QString() << QStringLiteral("不是有效的数据库");
        QTest::newRow("damaged header") << QByteArray("SQLite format 3\0garbage", 24).append(4000, '\x7f')
                                        << QString() << QStringLiteral("不是有效的数据库");
        QTest::newRow("empty file") << QByteArray() << QString() << QStringLiteral("缺少数据表“Lists”");
        QTest::newRow("foreign database")
            << QByteArray() << QStringLiteral("CREATE TABLE Orders (id INTEGER)")
            << QStringLiteral("缺少数据表“Lists”");
        QTest::newRow("missing column")
            << QByteArray()
            << QStringLiteral(
                   "CREATE TABLE Lists (ListID, ListName); CREATE TABLE Main (ListID, Keywords, KeyValue, "
                   "KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle, KeyDate); CREATE TABLE GuestXY "
                   "(ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle); CREATE TABLE Guests (ListID, "
                   "Name, Sex, Connection, Job, Contact, SaveTime)")
            << QStringLiteral("数据表“Guests”缺少字段“Remark”");
    }

    void badFilesGetAClearMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (!sql.isEmpty()) {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            for (const QString& statement : sql.split(QLatin1Char(';')))
                QVERIFY(QSqlQuery(raw).exec(statement));
            raw.close();
            raw = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        }
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
        const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
        CardStore store(path);
        const Result<QStringList> names = store.styleNames();
        QVERIFY(!names.isOk());
        QVERIFY(names.error().contains(QStringLiteral("丢失")));
        QVERIFY(!QFile::exists(path));
    }

    void lockedOrReadOnlyFileRefusesWritesAndKeepsData()
    {
        TestDatabase db;
        db.addStyle(1, QStringLiteral("一"), 2, 3);
        const QString before = db.snapshot();

        CardStore readOnly(db.path());
        readOnly.setReadOnly(true);
        QVERIFY(readOnly.styleNames().isOk());
        Status s = readOnly.deleteStyle(1);
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(QStringLiteral("只读")), qPrintable(s.error()));
        QCOMPARE(db.snapshot(), before);

        CardStore store(db.path());
        store.setBusyTimeoutMs(100);
        QVERIFY(store.check().isOk());
        db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        s = store.deleteStyle(1);
        db.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(QStringLiteral("正被其他程序使用")), qPrintable(s.error()));
        QCOMPARE(db.snapshot(), before);
        QVERIFY(store.deleteStyle(1).isOk()); // once the lock is gone the same store works again
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
            db.addStyle(id, QStringLiteral("样式%1").arg(id), kLabels);
            db.exec(
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                               "INSERT INTO Guests (ListID, Name) SELECT ?, 'g' || i FROM n"),
                {kGuests, id});
        }

        QProcess helper;
        helper.start(QStringLiteral(STORE_KILL_HELPER),
                     {QStringLiteral("delete"), db.path(), QStringLiteral("1"), QStringLiteral("3")});
        QVERIFY(helper.waitForStarted(10000));
        QByteArray said;
        while (!said.contains("inside") && helper.waitForReadyRead(10000))
            said += helper.readAllStandardOutput();
        QVERIFY2(said.contains("inside"), qPrintable(helper.readAllStandardError()));
        helper.kill(); // SIGKILL in the middle of deleting style 3: no chance to clean up
        QVERIFY(helper.waitForFinished(10000));

        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        for (int id = 1; id <= kStyles; ++id) {
            const int rows[] = {
                db.rowsOf(QStringLiteral("Lists"), id), db.rowsOf(QStringLiteral("GuestXY"), id),
                db.rowsOf(QStringLiteral("Guests"), id), db.rowsOf(QStringLiteral("Main"), id)};
            const bool whole = rows[0] == 1 && rows[1] == 1 && rows[2] == kGuests && rows[3] == kLabels;
            const bool gone = rows[0] + rows[1] + rows[2] + rows[3] == 0;
            QVERIFY2(id <= 2 ? gone : whole, qPrintable(QStringLiteral("style %1: %2 %3 %4 %5")
                                                            .arg(id)
                                                            .arg(rows[0])
                                                            .arg(rows[1])
                                                            .arg(rows[2])
                                                            .arg(rows[3])));
        }
    }

    // Catches an upgrade that changes a file without a backup, is not all or nothing, writes to a
    // file opened read-only, or writes to a file of a newer program; the rows of an old file must
    // come through unchanged.
    void olderFilesAreUpgradedAfterABackup()
    {
        const auto step = [](int version, const QStringList& sql) {
            return UpgradeStep{version, QStringLiteral("第%1步").arg(version),
                               [sql](QSqlDatabase& db) { return SchemaUpgrade::runStatements(db, sql); }};
        };
        const QList<UpgradeStep> steps{
            step(2, {QStringLiteral("CREATE TABLE Added (A INTEGER)")}),
            step(3, {QStringLiteral("ALTER TABLE Guests ADD COLUMN Added TEXT NOT NULL DEFAULT '一'")})};
        const QString rowsOnly = QStringLiteral("SELECT group_concat(Name || ListID) FROM Guests");

        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, QStringLiteral("婚宴"), 2, 3);
        const QVariant guests = db.scalar(rowsOnly);
        {
            CardStore store(db.path());
            store.setUpgradeSteps({steps.at(0), step(3, {QStringLiteral("CREATE TABLE Added (B)")})});
            const Status failed = store.check(); // the second step fails: nothing of the first stays
            QVERIFY2(!failed.isOk() && failed.error().contains(QStringLiteral("第3步")),
                     qPrintable(failed.error()));
            QVERIFY(failed.error().contains(QStringLiteral("保持原样")));
        }
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), 1);
        QVERIFY(db.scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE name = 'Added'")).isNull());
        {
            CardStore store(db.path());
            store.setReadOnly(true); // the exporter: an upgraded copy, the file untouched
            store.setUpgradeSteps(steps);
            QVERIFY(store.check().isOk());
            QCOMPARE(store.guestCount(1).value(), 3);
        }
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), 1);
        {
            CardStore store(db.path());
            store.setUpgradeSteps(steps);
            QVERIFY(store.check().isOk());
            QVERIFY(store.notice().isEmpty());
        }
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), 3);
        QCOMPARE(db.scalar(rowsOnly), guests);
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(Added) FROM Guests")).toString(),
                 QStringLiteral("一,一,一"));
        const QStringList backups = QDir(db.dir() + QStringLiteral("/Date_D备份")).entryList(QDir::Files);
        QCOMPARE(backups.size(), 2); // one copy before each attempt
        for (const QString& backup : backups)
            QVERIFY2(backup.contains(QStringLiteral(" 升级前 数据版本1")), qPrintable(backup));

        // A file of a newer program: read, never written.
        db.exec(QStringLiteral("PRAGMA user_version = 9"));
        CardStore newer(db.path());
        newer.setUpgradeSteps(steps);
        QVERIFY(newer.check().isOk());
        QVERIFY2(newer.notice().contains(QStringLiteral("只读")), qPrintable(newer.notice()));
        QCOMPARE(newer.guestCount(1).value(), 3);
        const Status write = newer.deleteStyle(1);
        QVERIFY2(!write.isOk() && write.error().contains(QStringLiteral("只读")), qPrintable(write.error()));
        QCOMPARE(db.scalar(rowsOnly), guests);
    }

    // Catches an upgrade that is not one transaction: a process killed in the middle of its step
    // leaves the version-1 file as it was, and the next start upgrades it.
    void upgradeKilledPartWayLeavesTheFileAsItWas()
    {
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, QStringLiteral("婚宴"), 2, 3);
        const QString before = db.snapshot();
        QProcess helper;
        helper.start(QStringLiteral(STORE_KILL_HELPER), {QStringLiteral("upgrade"), db.path()});
        QByteArray said;
        while (!said.contains("inside") && helper.waitForReadyRead(10000))
            said += helper.readAllStandardOutput();
        QVERIFY2(said.contains("inside"), qPrintable(helper.readAllStandardError()));
        helper.kill();
        QVERIFY(helper.waitForFinished(10000));

        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), 1);
        QCOMPARE(db.snapshot(), before);
        QVERIFY(db.scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE name = 'Added'")).isNull());
        CardStore store(db.path());
        QVERIFY(store.check().isOk());
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), SchemaUpgrade::currentVersion());
    }
};

QTEST_GUILESS_MAIN(tst_cardstore)
#include "tst_cardstore.moc"
