// Snapshots of the data file: taken before every destructive change and named by time and action,
// kept within their limits, restored in one step with every table, and a change refused when its
// snapshot cannot be written; a full disk at commit gets the program's own message.
#include "core/store/CardStore.h"
#include "core/store/GuestStore.h"
#include "core/store/GuestTransferStore.h"
#include "core/store/LabelStore.h"
#include "core/store/Snapshots.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The exact content of a snapshot file, read through a copy so the file itself is never touched.
QString contentOf(const QString& path)
{
    TestDatabase copy(path);
    return copy.exactDump();
}

// A style 1 "婚宴" with labels, guests and a guest-name setting, and a style 2 beside it.
void fill(TestDatabase& db)
{
    db.addStyle(1, u"婚宴"_s, 2, 3);
    db.addStyle(2, u"寿宴"_s, 1, 1);
    db.exec(u"UPDATE GuestXY SET keyx = 60.5, keyy = 90, keyfont = '楷体', keyfontsize = '20', "
            "keyfontstyle = '粗体' WHERE ListID = 1"_s);
}

GuestFields guest(const QString& name)
{
    GuestFields fields;
    fields.name = name;
    return fields;
}

void makeFile(const QString& path, qint64 size = 10)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size)); // sparse: takes no room on the disk
}

} // namespace

class tst_snapshots : public QObject
{
    Q_OBJECT

private slots:
    void destructiveChangesTakeASnapshotFirst_data()
    {
        QTest::addColumn<QString>("verb");
        for (const char* verb :
             {"删除样式", "清空标签", "删除标签", "移动标签", "删除宾客", "清空宾客", "导入宾客"})
            QTest::newRow(verb) << QString::fromUtf8(verb);
    }

    // Catches a change that deletes or rewrites rows without a snapshot of what was there, a
    // snapshot named otherwise than by time and action, and one that is not the whole file as it was.
    void destructiveChangesTakeASnapshotFirst()
    {
        QFETCH(QString, verb);
        TestDatabase db;
        fill(db);
        const QString before = db.exactDump();
        CardStore store(db.path());
        const QString started = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH-mm"_s);
        Status done = Status::ok();
        if (verb == u"删除样式"_s)
            done = store.deleteStyle(1);
        else if (verb == u"清空标签"_s)
            done = LabelStore(store).clearLabels(1);
        else if (verb == u"删除标签"_s)
            done =
                LabelStore(store).deleteLabels({db.scalar(u"SELECT min(LabelID) FROM Main"_s).toLongLong()});
        else if (verb == u"移动标签"_s)
            done = Status::failure(LabelStore(store).moveLabels(1, MoveDirection::Down, 5).error());
        else if (verb == u"删除宾客"_s)
            done = GuestStore(store).remove(
                1, {db.scalar(u"SELECT max(GuestID) FROM Guests WHERE ListID = 1"_s).toLongLong()});
        else if (verb == u"清空宾客"_s)
            done = GuestStore(store).clear(1);
        else
            done = GuestTransferStore(store).addAll(1, {guest(u"新宾客"_s)}, QDateTime::currentDateTime());
        QVERIFY2(done.isOk() || done.error().isEmpty(), qPrintable(done.error()));
        QVERIFY(db.exactDump() != before);

        const QStringList taken = db.backups();
        QCOMPARE(taken.size(), 1);
        const QRegularExpression name(u"^(\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d) %1 婚宴\\.dat$"_s.arg(verb));
        const QRegularExpressionMatch m = name.match(taken.first());
        QVERIFY2(m.hasMatch() && m.captured(1) >= started, qPrintable(taken.first()));
        QCOMPARE(contentOf(db.dir() + u"/Date_D备份/"_s + taken.first()), before);
    }

    // Catches a snapshot folder that grows without end, a limit that removes the newest instead of
    // the oldest, and files of other names in the folder removed with them.
    void theNewest30WithinHalfAGigabyteAreKept()
    {
        TestDatabase db;
        fill(db);
        const QString folder = db.dir() + u"/Date_D备份/"_s;
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 35; ++i)
            makeFile(folder + u"2020-01-01 10-%1 删除宾客 婚宴.dat"_s.arg(i, 2, 10, QLatin1Char('0')));
        makeFile(folder + u"我的备份.dat"_s);
        CardStore store(db.path());
        QVERIFY(LabelStore(store).clearLabels(1).isOk());
        QStringList kept = db.backups();
        QCOMPARE(kept.size(), 31); // 30 snapshots and the user's own file
        QVERIFY(kept.contains(u"我的备份.dat"_s));
        QVERIFY(!kept.contains(u"2020-01-01 10-05 删除宾客 婚宴.dat"_s)); // the six oldest are gone
        QVERIFY(kept.contains(u"2020-01-01 10-06 删除宾客 婚宴.dat"_s));

        // Two large ones newer than the rest: together with the new one they pass 500 MB.
        makeFile(folder + u"2021-01-01 10-00 导入宾客 婚宴.dat"_s, 300LL << 20);
        makeFile(folder + u"2021-01-01 11-00 导入宾客 婚宴.dat"_s, 300LL << 20);
        QVERIFY(GuestStore(store).clear(1).isOk());
        kept = db.backups();
        QVERIFY(kept.contains(u"2021-01-01 11-00 导入宾客 婚宴.dat"_s));
        QVERIFY(!kept.contains(u"2021-01-01 10-00 导入宾客 婚宴.dat"_s));
        QVERIFY(!kept.contains(u"2020-01-01 10-34 删除宾客 婚宴.dat"_s));
        QCOMPARE(kept.size(), 4); // the two new snapshots, the newer large one and the user's file
    }

    // Catches a restore that leaves out a table the program does not know (later features add
    // tables), changes a row's identity or a value's type, is not undoable, or is not one step. (The
    // backup window test lists a snapshot's action and counts.)
    void restoreBringsBackEveryTableExactly()
    {
        TestDatabase db;
        fill(db);
        db.exec(u"CREATE TABLE LaterFeature (Id INTEGER PRIMARY KEY AUTOINCREMENT, Value)"_s);
        db.exec(u"INSERT INTO LaterFeature (Value) VALUES (1.5), ('文字'), (x'00ff')"_s);
        db.exec(u"DELETE FROM Guests WHERE Name = '宾客1'"_s); // a gap in the row identities
        const QString before = db.exactDump();
        CardStore store(db.path());
        QVERIFY(store.deleteStyle(1).isOk());
        db.exec(u"DROP TABLE LaterFeature"_s);
        const Status added =
            GuestTransferStore(store).addAll(2, {guest(u"后来者"_s)}, QDateTime::currentDateTime());
        QVERIFY2(added.isOk(), qPrintable(added.error()));
        const QString changed = db.exactDump();

        Snapshots snapshots(store);
        const QList<SnapshotInfo> listed = snapshots.list();
        QCOMPARE(listed.size(), 2); // newest first
        const Result<QString> saved = snapshots.restore(listed.at(1).path);
        QVERIFY2(saved.isOk(), qPrintable(saved.error()));
        QCOMPARE(db.exactDump(), before);
        QCOMPARE(store.guestCount(1).value(), 2);
        QCOMPARE(contentOf(saved.value()), changed); // the restore itself can be undone
        QVERIFY(saved.value().contains(u"恢复快照前"_s));
    }

    // Catches a snapshot of an older data version restored without its upgrade, and a damaged or
    // newer snapshot that is half restored or restored without a word.
    void olderSnapshotsAreUpgradedAndBadOnesRefused()
    {
        // The program's own steps and one more, so the restored version-1 snapshot has steps to take.
        QList<UpgradeStep> steps = SchemaUpgrade::steps();
        const int target = SchemaUpgrade::currentVersion() + 1;
        steps.append(UpgradeStep{target, u"新的一步"_s, [](QSqlDatabase& db) {
                                     return SchemaUpgrade::runStatements(
                                         db, {u"CREATE TABLE Added (A INTEGER)"_s});
                                 }});
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.addStyle(1, u"婚宴"_s, 2, 3);
        CardStore store(db.path());
        store.setUpgradeSteps(steps);
        QVERIFY(store.check().isOk()); // the upgrade's copy is a version-1 snapshot
        QVERIFY(store.deleteStyle(1).isOk());
        const QString folder = db.dir() + u"/Date_D备份/"_s;
        QFile damaged(folder + u"2030-01-01 10-00 删除样式 坏.dat"_s);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')) == 4096);
        damaged.close();
        TestDatabase newer(db.path());
        newer.exec(u"PRAGMA user_version = 9"_s);
        QVERIFY(QFile::copy(newer.path(), folder + u"2030-01-01 11-00 删除样式 新.dat"_s));

        const QString gone = db.exactDump();
        const QList<SnapshotInfo> listed = Snapshots(store).list();
        QCOMPARE(listed.size(), 4);
        QCOMPARE(listed.at(1).styles, -1); // the damaged one cannot be read
        for (int i : {0, 1}) {
            const Result<QString> refused = Snapshots(store).restore(listed.at(i).path);
            QVERIFY(!refused.isOk());
            QVERIFY2(refused.error().contains(i == 0 ? u"较新版本"_s : u"不是有效的数据库"_s),
                     qPrintable(refused.error()));
            QCOMPARE(db.exactDump(), gone);
        }
        const SnapshotInfo& upgradeCopy = listed.at(3);
        QVERIFY2(upgradeCopy.action.startsWith(u"升级前 数据版本1"_s), qPrintable(upgradeCopy.action));
        QVERIFY(Snapshots(store).restore(upgradeCopy.path).isOk());
        QCOMPARE(db.scalar(u"PRAGMA user_version"_s).toInt(), target);
        QVERIFY(!db.scalar(u"SELECT name FROM sqlite_master WHERE name = 'Added'"_s).isNull());
        QCOMPARE(store.guestCount(1).value(), 3);
    }

    // Catches a change made without its snapshot when the disk is full, a half-written snapshot
    // left in the list, and a commit that fails on a full disk with SQLite's English text.
    void aFullDiskStopsTheChangeWithItsOwnMessage()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        SmallDisk disk(1024);
        QVERIFY(disk.isMounted());
        const QString path = disk.filePath(u"Date_D.dat"_s);
        {
            TestDatabase source;
            fill(source);
            QVERIFY(QFile::copy(source.path(), path));
        }
        CardStore store(path);
        QVERIFY(store.check().isOk());
        const auto dump = [&] {
            TestDatabase copy(path);
            return copy.exactDump();
        };
        const QString before = dump();

        // Room for the snapshot, not for the rows: the commit finds the disk full.
        disk.fill(256 * 1024);
        QList<GuestFields> many;
        for (int i = 0; i < 2000; ++i)
            many.append(
                GuestFields{u"宾客%1"_s.arg(i), {}, {}, {}, {}, QString(200, QChar(0x4E00 + i % 100))});
        const Status full = GuestTransferStore(store).addAll(1, many, QDateTime::currentDateTime());
        QVERIFY2(!full.isOk() && full.error().startsWith(u"磁盘已满"_s), qPrintable(full.error()));
        QCOMPARE(dump(), before);

        // No room for the snapshot: nothing is deleted.
        QDir(disk.filePath(u"Date_D备份"_s)).removeRecursively();
        disk.fill(4 * 1024);
        const Status refused = store.deleteStyle(1);
        QVERIFY2(!refused.isOk() && refused.error().contains(u"没有进行"_s) &&
                     refused.error().contains(u"磁盘已满"_s),
                 qPrintable(refused.error()));
        QCOMPARE(dump(), before);
        QVERIFY(QDir(disk.filePath(u"Date_D备份"_s)).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_snapshots)
#include "tst_snapshots.moc"
