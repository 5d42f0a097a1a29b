// The guest grid's model on lists longer than one page: rows read page by page, and additions,
// changes and deletions mirrored without a reload, checked by QAbstractItemModelTester throughout.
#include "store/CardStore.h"
#include "store/GuestGridModel.h"
#include "store/GuestStore.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class tst_guestgridmodel : public QObject
{
    Q_OBJECT

private:
    static QString name(GuestGridModel& model, int row)
    {
        return model.data(model.index(row, GuestGridModel::NameColumn)).toString();
    }

private slots:
    void mirrorsChangesAcrossPages()
    {
        TestDatabase db;
        db.addStyle(1, QStringLiteral("一"), 0, 450);
        db.addStyle(2, QStringLiteral("二"), 0, 30);
        CardStore store(db.path());
        GuestStore guests(store);
        GuestGridModel model(guests);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        QVERIFY(model.load(1).isOk());
        QCOMPARE(model.rowCount(), 450);
        QCOMPARE(model.columnCount(), 6);
        // Rows of the first, a middle and the last page, read out of order.
        for (const int row : {449, 0, 199, 200, 317, 448})
            QCOMPARE(name(model, row), QStringLiteral("宾客%1").arg(row + 1));

        // Delete two separate runs of rows, as a multi-row pick in the grid would.
        QVector<qint64> gone;
        for (const int row : {3, 4, 5, 250, 449})
            gone << model.guestId(row);
        QVERIFY(guests.remove(1, gone).isOk());
        model.guestsRemoved(gone);
        QCOMPARE(model.rowCount(), 445);
        QCOMPARE(name(model, 3), QStringLiteral("宾客7"));
        QCOMPARE(name(model, 247), QStringLiteral("宾客252"));
        QCOMPARE(name(model, 444), QStringLiteral("宾客449"));
        QCOMPARE(model.rowOf(gone.first()), -1);

        // A new guest goes last; a changed one shows its new texts in place.
        const Result<GuestRecord> added = guests.add(1,
                                                     GuestFields{QStringLiteral("新客"), QStringLiteral("女"),
                                                                 QString(), QString(), QString(), QString()},
                                                     QDateTime::currentDateTime());
        QVERIFY2(added.isOk(), qPrintable(added.error()));
        model.appendGuest(added.value());
        QCOMPARE(model.rowCount(), 446);
        QCOMPARE(name(model, 445), QStringLiteral("新客"));
        QCOMPARE(model.data(model.index(445, GuestGridModel::SexColumn)).toString(), QStringLiteral("女"));

        GuestFields changed = model.guestAt(100)->fields;
        changed.remark = QStringLiteral("改过");
        QVERIFY(guests.change(1, model.guestId(100), changed).value());
        model.guestChanged(model.guestId(100), changed);
        QCOMPARE(model.data(model.index(100, GuestGridModel::RemarkColumn)).toString(),
                 QStringLiteral("改过"));

        // Whatever was shown before, a fresh load shows the same as the file.
        GuestGridModel fresh(guests);
        QVERIFY(fresh.load(1).isOk());
        QCOMPARE(fresh.rowCount(), model.rowCount());
        for (const int row : {0, 3, 100, 247, 445})
            QCOMPARE(fresh.guestAt(row)->fields, model.guestAt(row)->fields);
        QCOMPARE(resets.count(), 1); // nothing above reloaded the whole list

        // A guest that vanished behind the grid's back shows empty, without breaking the rows around it.
        GuestGridModel stale(guests);
        QVERIFY(stale.load(1).isOk());
        db.exec(QStringLiteral("DELETE FROM Guests WHERE GuestID = ?"), {stale.guestId(10)});
        QCOMPARE(name(stale, 10), QString());
        QCOMPARE(name(stale, 11), name(model, 11));

        QVERIFY(guests.clear(1).isOk());
        model.cleared();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(db.rowsOf(QStringLiteral("Guests"), 2), 30);
        QVERIFY(model.load(2).isOk());
        QCOMPARE(model.rowCount(), 30);
    }

    void storesTextsExactlyAndOnlyInItsStyle()
    {
        TestDatabase db;
        db.addStyle(9, QStringLiteral("九"));
        CardStore store(db.path());
        GuestStore guests(store);
        const GuestFields fields{QStringLiteral("O'Neil"), QString(), QStringLiteral(" 100% "),
                                 QStringLiteral("a_b"),    QString(), QStringLiteral("𠀀")};
        const Result<GuestRecord> added =
            guests.add(9, fields, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 890)));
        QVERIFY2(added.isOk(), qPrintable(added.error()));
        const GuestRecord back = guests.range(9, added.value().id, added.value().id).value().value(0);
        QCOMPARE(back.fields, fields);
        QCOMPARE(back.saveTime, QStringLiteral("2026-03-04 05:06:07"));
        QVERIFY(db.scalar(QStringLiteral("SELECT Sex FROM Guests")).isNull());
        QCOMPARE(guests.change(8, added.value().id, fields).value(), false); // never through another style
    }
};

QTEST_MAIN(tst_guestgridmodel)
#include "tst_guestgridmodel.moc"
