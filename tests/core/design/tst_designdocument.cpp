// The design document without its window, on real database files: what a save writes (only what
// changed, all or nothing), undo past a save, the checks on typed values and names, and where a
// snapped drag puts the items.
#include "core/app/Startup.h"
#include "core/design/DesignDocument.h"
#include "core/design/DesignSnap.h"
#include "core/printing/PrinterCatalog.h"
#include "core/store/CardStore.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Opened
{
    Opened() : store(db.path())
    {
        db.addStyle(1, u"婚宴"_s, 3, 2);
        db.addStyle(2, u"寿宴"_s, 1, 0);
        db.exec(u"UPDATE GuestXY SET keyx = 30, keyy = 40, keyfont = '楷体', keyfontsize = '20', "
                "keyfontstyle = '常规' WHERE ListID = 1"_s);
    }
    DesignDocument& open()
    {
        Result<std::unique_ptr<DesignDocument>> opened = DesignDocument::open(
            store, 1, u"婚宴"_s,
            CardSheet::fromLayout(QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, {})));
        if (!opened.isOk())
            qFatal("%s", qPrintable(opened.error()));
        document = std::move(opened.value());
        return *document;
    }
    QString labelRows()
    {
        return db
            .scalar(
                u"SELECT group_concat(Keywords || ':' || KeyValue || '@' || KeyX || ',' || KeyY, ' ') FROM (SELECT * FROM Main ORDER BY LabelID)"_s)
            .toString();
    }

    TestDatabase db;
    CardStore store;
    std::unique_ptr<DesignDocument> document;
};

} // namespace

class tst_designdocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches a save that rewrites rows it did not change (and so overwrites another window's
    // edit), loses the ids of added labels (the next save would add them twice), or does not
    // take back an addition undone past the save.
    void saveWritesWhatChangedAndUndoPastASaveIsSavedToo()
    {
        Opened o;
        DesignDocument& d = o.open();
        const QList<DesignKey> keys = d.keys();
        QCOMPARE(keys.size(), 4);
        QCOMPARE(keys.last(), kGuestNameKey);
        d.moveItems({keys.at(0), kGuestNameKey}, QPointF(1.5, -2));
        const DesignKey added = d.addLabel(QPointF(12.34, 56.78)).value();
        QVERIFY(d.setText(added, u"敬请光临"_s).isOk());
        QVERIFY(d.isModified());
        // Another window changes a label the design did not touch meanwhile.
        o.db.exec(u"UPDATE Main SET KeyValue = '别处改的' WHERE Keywords = '婚宴-标签2'"_s);
        QVERIFY(d.save().isOk());
        QVERIFY(!d.isModified());
        QCOMPARE(o.labelRows(),
                 u"婚宴-标签0:文字0@11.5,18.0 婚宴-标签1:文字1@11.0,21.0 "
                 "婚宴-标签2:别处改的@12.0,22.0 寿宴-标签0:文字0@10.0,20.0 标签1:敬请光临@12.3,56.8"_s);
        QCOMPARE(o.db.scalar(u"SELECT keyx || ',' || keyy FROM GuestXY WHERE ListID = 1"_s).toString(),
                 u"31.5,38.0"_s);

        d.moveItems({added}, QPointF(0.1, 0));
        QVERIFY(d.save().isOk()); // the added label is changed, not added again
        QCOMPARE(o.db.rowsOf(u"Main"_s, 1), 4);
        QCOMPARE(o.db.scalar(u"SELECT KeyX FROM Main WHERE Keywords = '标签1'"_s).toDouble(), 12.4);
        while (d.undoStack().canUndo())
            d.undoStack().undo();
        QVERIFY(d.isModified());
        QVERIFY(d.save().isOk());
        QCOMPARE(o.db.rowsOf(u"Main"_s, 1), 3);
        QCOMPARE(o.db.scalar(u"SELECT keyx || ',' || keyy FROM GuestXY WHERE ListID = 1"_s).toString(),
                 u"30.0,40.0"_s);
    }

    // Catches a save that is not one transaction: a trigger refusing the second row written leaves
    // every row as it was, the message says why, and the design stays unsaved.
    void aFailingRowLeavesTheDatabaseUnchanged()
    {
        Opened o;
        DesignDocument& d = o.open();
        const QList<DesignKey> keys = d.keys();
        d.moveItems({keys.at(0), keys.at(1), keys.at(2)}, QPointF(5, 5));
        QVERIFY(d.rename(keys.at(2), u"新名字"_s).isOk());
        QVERIFY(d.loadBackground(QStringLiteral(FENNICK_SOURCE_DIR) + u"/src/ui/about/sign.png"_s).isOk());
        o.db.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON Main WHEN OLD.Keywords = '婚宴-标签1' "
                  "BEGIN SELECT RAISE(ABORT, '第二行被触发器拒绝'); END"_s);
        const QString before = o.db.snapshot();
        const Status saved = d.save();
        QVERIFY(!saved.isOk());
        QVERIFY2(saved.error().contains(u"第二行被触发器拒绝"_s), qPrintable(saved.error()));
        QCOMPARE(o.db.snapshot(), before);
        QVERIFY(d.isModified());

        o.db.exec(u"DROP TRIGGER refuse"_s);
        o.db.exec(u"INSERT INTO Main (ListID, Keywords) VALUES (2, '新名字')"_s); // taken meanwhile
        const Status taken = d.save();
        QVERIFY2(!taken.isOk() && taken.error().contains(u"寿宴"_s), qPrintable(taken.error()));
        QCOMPARE(o.db.scalar(u"SELECT count(*) FROM StyleBackground"_s).toInt(), 0);
        o.db.exec(u"UPDATE Main SET ListID = 1 WHERE Keywords = '新名字'"_s); // by another window here
        QVERIFY2(d.save().error().contains(u"“婚宴”"_s), qPrintable(d.save().error()));
        o.db.exec(u"DELETE FROM Main WHERE Keywords = '新名字'"_s);
        QVERIFY(d.save().isOk());
        // Names passed between the design's own labels in one save are no clash.
        QVERIFY(d.rename(keys.at(1), u"乙"_s).isOk());
        QVERIFY(d.rename(keys.at(0), u"婚宴-标签1"_s).isOk());
        QVERIFY(d.save().isOk());
    }

    // Catches labels or a scan thrown away by a save with no snapshot to get them back from, a
    // snapshot taken for every move (slow with a large scan, and the older ones pushed out), and a
    // save that goes on when the snapshot cannot be taken.
    void savesThatDiscardTakeASnapshotFirst()
    {
        Opened o;
        DesignDocument& d = o.open();
        QDir folder(o.db.dir() + u"/Date_D备份"_s);
        const auto snapshots = [&] { return folder.entryList({u"*.dat"_s}, QDir::Files, QDir::Name); };
        const QString sign = QStringLiteral(FENNICK_SOURCE_DIR) + u"/src/ui/about/sign.png"_s;
        d.moveItems({d.keys().at(0)}, QPointF(1, 1));
        QVERIFY(d.loadBackground(sign).isOk());
        QVERIFY(d.save().isOk());
        QCOMPARE(snapshots().size(), 0);

        QVERIFY(d.deleteItems({d.keys().at(0)}).isOk());
        QVERIFY(d.save().isOk());
        QCOMPARE(snapshots().size(), 1);
        QVERIFY2(snapshots().first().endsWith(u" 删除标签 婚宴.dat"_s), qPrintable(snapshots().first()));
        TestDatabase taken(folder.filePath(snapshots().first()));
        QCOMPARE(taken.rowsOf(u"Main"_s, 1), 3);
        QCOMPARE(o.db.rowsOf(u"Main"_s, 1), 2);

        QImage other(60, 40, QImage::Format_RGB32);
        other.fill(Qt::darkRed);
        QVERIFY(other.save(o.db.dir() + u"/other.png"_s));
        QVERIFY(d.loadBackground(o.db.dir() + u"/other.png"_s).isOk());
        QVERIFY(d.save().isOk());
        QVERIFY2(snapshots().join(u'|').contains(u"更换背景图片 婚宴"_s), qPrintable(snapshots().join(u'|')));

        // No room for a snapshot: the scan stays.
        QVERIFY(folder.removeRecursively());
        QFile blocking(folder.path());
        QVERIFY(blocking.open(QIODevice::WriteOnly));
        blocking.close();
        d.removeBackground();
        const QString before = o.db.snapshot();
        const Status refused = d.save();
        QVERIFY2(!refused.isOk() && refused.error().contains(u"“移除背景图片 婚宴”没有进行"_s),
                 qPrintable(refused.error()));
        QCOMPARE(o.db.snapshot(), before);
        QVERIFY(d.isModified());
    }

    // Catches values the label windows refuse getting into a design, and a stored value refused
    // although it only stays as it is.
    void typedValuesAreCheckedAsTheLabelWindowsCheckThem_data()
    {
        QTest::addColumn<bool>("guest");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal"); // empty: taken
        QTest::newRow("label tenths") << false << u" 12.5 "_s << QString();
        QTest::newRow("label minus") << false << u"-3"_s << u"只能是数字"_s;
        QTest::newRow("label too far") << false << u"3000.5"_s << u"0 到 3000 毫米"_s;
        QTest::newRow("label as stored") << false << u"11"_s << QString();
        QTest::newRow("guest minus") << true << u"-3"_s << QString();
        QTest::newRow("guest too far") << true << u"-3001"_s << u"-3000 到 3000 毫米"_s;
        QTest::newRow("guest empty") << true << u""_s << u"只能是数字"_s;
    }
    void typedValuesAreCheckedAsTheLabelWindowsCheckThem()
    {
        QFETCH(bool, guest);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        Opened o;
        DesignDocument& d = o.open();
        const DesignKey key = guest ? kGuestNameKey : d.keys().at(1);
        const Status s = d.setPositionText(key, Qt::Horizontal, typed);
        QCOMPARE(s.isOk(), refusal.isEmpty());
        QVERIFY2(s.error().contains(refusal), qPrintable(s.error()));
        if (!refusal.isEmpty())
            QCOMPARE(d.undoStack().count(), 0);
    }

    // Catches duplicate names (in the design, in another style, in another letter case), an empty
    // text, a deleted guest name and sizes or style words the grid refuses.
    void namesTextsAndFontsAreChecked()
    {
        Opened o;
        DesignDocument& d = o.open();
        const QList<DesignKey> keys = d.keys();
        QVERIFY(d.rename(keys.at(0), u"婚宴-标签1"_s).error().contains(u"当前样式中已有"_s));
        QVERIFY(d.rename(keys.at(0), u"寿宴-标签0"_s).error().contains(u"请柬样式“寿宴”"_s));
        QVERIFY(d.rename(keys.at(1), u"Title"_s).isOk());
        QVERIFY(d.rename(keys.at(0), u"TITLE"_s).error().contains(u"已有"_s));
        QVERIFY(!d.setText(keys.at(0), u"  "_s).isOk());
        QVERIFY(d.setText(kGuestNameKey, u"别人"_s).error().contains(u"宾客名单"_s));
        QVERIFY(d.deleteItems({kGuestNameKey}).error().contains(u"不能删除"_s));
        QVERIFY(d.setFontSizeText({keys.at(0)}, u"0"_s).error().contains(u"大于零"_s));
        QVERIFY(d.setFontSizeText({keys.at(0), kGuestNameKey}, u"1001"_s).error().contains(u"1000"_s));
        QVERIFY(d.setStyleWord({keys.at(0)}, u"加粗"_s).error().contains(u"粗斜体"_s));
        QCOMPARE(d.undoStack().count(), 1); // the one rename that was taken

        QVERIFY(d.deleteItems({keys.at(0), kGuestNameKey}).isOk());
        QCOMPARE(d.keys().size(), 3);
        QVERIFY(d.addLabel({}).isOk());
        QCOMPARE(d.label(d.keys().at(2))->name, u"标签1"_s); // the freed names come first

        // A name whose font was never chosen is drawn in 宋体 12: a size given alone brings the font.
        o.db.exec(u"UPDATE GuestXY SET keyfont = NULL, keyfontsize = NULL, keyfontstyle = NULL"_s);
        DesignDocument& fresh = o.open();
        const double before = fresh.boxMm(kGuestNameKey).height();
        QVERIFY(fresh.setFontSizeText({kGuestNameKey}, u"24"_s).isOk());
        QCOMPARE(fresh.guestName().fontName, u"宋体"_s);
        QVERIFY(fresh.boxMm(kGuestNameKey).height() > 1.9 * before);
    }

    // Catches anchors, fit widths and columns that the boxes (and so the picking) ignore, a fit
    // width the label window refuses taken, and placements lost on saving.
    void placementsAreEditedAsTheyAreDrawn()
    {
        Opened o;
        DesignDocument& d = o.open();
        const DesignKey key = d.keys().at(0); // 文字0 at (10, 20)
        const double width = d.boxMm(key).width();
        QVERIFY(d.setAnchorWord({key}, u"中"_s).isOk());
        QVERIFY(qAbs(d.boxMm(key).center().x() - 10) < 0.05);
        QVERIFY(d.setAnchorWord({key}, u"居中"_s).error().contains(u"“左”、“中”或“右”"_s));
        QVERIFY(d.setFitWidthText({key}, u"3001"_s).error().contains(u"3000 毫米"_s));
        QVERIFY(d.setFitWidthText({key}, u"-2"_s).error().contains(u"大于零"_s));
        QVERIFY(d.setFitWidthText({key, kGuestNameKey}, u"8"_s).isOk());
        QVERIFY2(d.boxMm(key).width() < width && d.boxMm(key).width() <= 8.05,
                 qPrintable(QString::number(d.boxMm(key).width())));
        QVERIFY(!d.boxes().first().tooLong);
        QVERIFY(d.setFitWidthText({key}, u"3"_s).isOk()); // not even at the smallest size
        QVERIFY(d.boxes().first().tooLong);
        QVERIFY(d.setFitWidthText({key}, u"8"_s).isOk());
        QVERIFY(d.setWritingWord({key}, u"竖排"_s).isOk());
        QVERIFY(d.boxMm(key).height() > d.boxMm(key).width());
        QVERIFY(d.save().isOk());
        QCOMPARE(o.db.scalar(u"SELECT KeyAnchor || ',' || KeyFitWidth || ',' || KeyVertical FROM Main "
                             "WHERE Keywords = '婚宴-标签0'"_s)
                     .toString(),
                 u"1,8.0,1"_s);
        QCOMPARE(o.db.scalar(u"SELECT keyfitwidth FROM GuestXY WHERE ListID = 1"_s).toDouble(), 8.0);
        QVERIFY(d.setFitWidthText({key}, u""_s).isOk()); // no fit width again
        QCOMPARE(d.placement(key).fitWidthMm, 0.0);
    }

    // Catches a designer that measures and shows a card without the shown guest's fields: the boxes
    // it lets the user drag must be as wide as the texts the guest's card prints.
    void theShownGuestsFieldsAreOnTheCard()
    {
        Opened o;
        o.db.exec(u"UPDATE Main SET KeyValue = '第 {桌号} 桌' WHERE Keywords = '婚宴-标签0'"_s);
        o.db.exec(u"UPDATE Guests SET Sex = '男', TableNo = '8' WHERE ListID = 1"_s);
        const auto widths = [&] {
            DesignDocument& d = o.open();
            if (!d.showFirstGuest().isOk())
                return QPair<double, double>(-1, -1);
            return qMakePair(d.boxMm(d.keys().first()).width(), d.boxMm(kGuestNameKey).width());
        };
        const QPair<double, double> plain = widths();
        o.db.exec(u"UPDATE Guests SET TableNo = '十八号贵宾主桌' WHERE ListID = 1"_s);
        o.db.exec(u"UPDATE GuestXY SET NameFormat = '{姓名}{称谓}' WHERE ListID = 1"_s);
        const QPair<double, double> filled = widths();
        QVERIFY2(filled.first > plain.first + 10, qPrintable(u"%1 %2"_s.arg(plain.first).arg(filled.first)));
        QVERIFY2(filled.second > plain.second + 10,
                 qPrintable(u"%1 %2"_s.arg(plain.second).arg(filled.second)));
    }

    // Catches snapping that ignores the items' edges or middles, snaps from too far, or leaves the
    // dragged item off the half-millimetre grid.
    void snapping_data()
    {
        QTest::addColumn<QPointF>("raw");
        QTest::addColumn<QPointF>("expected");
        QTest::addColumn<double>("guideX"); // -1: none
        // Moving box 10..30 x 10..20, anchor (10, 10); another item 50..80 x 40..45.
        QTest::newRow("left on left") << QPointF(39.6, 3.3) << QPointF(40, 3.5) << 50.0;
        QTest::newRow("right on left") << QPointF(19.5, 0.2) << QPointF(20, 0) << 50.0;
        QTest::newRow("middle on middle") << QPointF(45.2, 12.1) << QPointF(45, 12) << 65.0;
        QTest::newRow("grid only") << QPointF(3.26, 7.74) << QPointF(3.5, 7.5) << -1.0;
    }
    void snapping()
    {
        QFETCH(QPointF, raw);
        QFETCH(QPointF, expected);
        QFETCH(double, guideX);
        const DesignSnap::Result r =
            DesignSnap::snapMove(QRectF(10, 10, 20, 10), QPointF(10, 10), raw, {QRectF(50, 40, 30, 5)}, 1.0);
        QVERIFY2(qAbs(r.deltaMm.x() - expected.x()) < 1e-9 && qAbs(r.deltaMm.y() - expected.y()) < 1e-9,
                 qPrintable(u"%1, %2"_s.arg(r.deltaMm.x()).arg(r.deltaMm.y())));
        QCOMPARE(r.guideXMm.value_or(-1), guideX);
    }
};

QTEST_MAIN(tst_designdocument)
#include "tst_designdocument.moc"
