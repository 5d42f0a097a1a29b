// Exporting every card of a style into one PDF: pages in print order with every text where it
// prints, nothing left behind by a cancel or a failure, and the refusals with their messages.
#include "app/Startup.h"
#include "printing/CardExport.h"
#include "printing/CardPage.h"
#include "support/TestDatabase.h"
#include "ExportFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr double kToleranceMm = 0.5;
const QMarginsF kMarginsMm(6, 9, 4, 4);

QPageLayout a5WithMargins()
{
    return QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, kMarginsMm, QPageLayout::Millimeter);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

CardSet loaded(TestDatabase& db, qint16 listId, const QString& name)
{
    CardStore store(db.path());
    Result<CardSet> cards = loadCardSet(store, listId, name);
    if (!cards.isOk())
        qFatal("%s", qPrintable(cards.error()));
    return cards.value();
}

} // namespace

class tst_cardexport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void onePagePerGuestInPrintOrder()
    {
        TestDatabase db;
        addExportStyle(db, 1, QStringLiteral("婚宴"), {QStringLiteral("张三"), QStringLiteral("李四")});
        // Another style's guest entered in between must neither appear nor change the order.
        addExportStyle(db, 2, QStringLiteral("寿宴"), {QStringLiteral("外人")});
        db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (1, '刘洋')"));

        const CardSet cards = loaded(db, 1, QStringLiteral("婚宴"));
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("婚宴.pdf"));
        QList<int> reported;
        const Result<ExportEnd> done = exportCards(cards, a5WithMargins(), file, [&](int pages, int total) {
            reported << pages;
            return total == 3;
        });
        QVERIFY2(done.isOk(), qPrintable(done.error()));
        QCOMPARE(done.value(), ExportEnd::Written);
        QCOMPARE(reported, (QList<int>{1, 2, 3}));
        QCOMPARE(pageCount(file), 3);
        QVERIFY(pdfInfo(file).contains(QStringLiteral("(A5)")));

        const QStringList names{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("刘洋")};
        for (int page = 1; page <= 3; ++page) {
            const QList<PageWord> words = pageWords(file, page);
            const struct
            {
                QString text;
                double xMm;
                double yMm;
            } expected[] = {{QStringLiteral("请柬"), 20, 15},
                            {QStringLiteral("敬请光临"), 20, 60},
                            {names[page - 1], 30, 35}};
            for (const auto& e : expected) {
                const PageWord w = findWord(words, e.text);
                QVERIFY2(!w.text.isEmpty(), qPrintable(QStringLiteral("page %1: %2").arg(page).arg(e.text)));
                QVERIFY2(qAbs(w.leftMm - (kMarginsMm.left() + e.xMm)) < kToleranceMm, qPrintable(e.text));
                QVERIFY2(qAbs(w.topMm - (kMarginsMm.top() + e.yMm)) < kToleranceMm, qPrintable(e.text));
            }
            QVERIFY(findWord(words, QStringLiteral("外人")).text.isEmpty());
        }
        QCOMPARE(filesIn(out.path()), QStringList{QStringLiteral("婚宴.pdf")});
    }

    void cancelLeavesNothingBehind()
    {
        TestDatabase db;
        addExportStyle(db, 1, QStringLiteral("婚宴"),
                       {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("刘洋")});
        QTemporaryDir out;
        const QString earlier = out.filePath(QStringLiteral("earlier.pdf"));
        {
            QFile f(earlier);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier export");
        }
        // Cancelled on the second page: the earlier file of that name is untouched, no part file.
        const Result<ExportEnd> done =
            exportCards(loaded(db, 1, QStringLiteral("婚宴")), defaultCardPageLayout(), earlier,
                        [](int pages, int) { return pages < 2; });
        QCOMPARE(done.value(), ExportEnd::Cancelled);
        QFile kept(earlier);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("earlier export"));
        QCOMPARE(filesIn(out.path()), QStringList{QStringLiteral("earlier.pdf")});
    }

    void refusesTargetsThatWouldLoseData()
    {
        TestDatabase db;
        QTemporaryDir out;
        QVERIFY(checkExportTarget(out.filePath(QStringLiteral("ok.pdf")), db.path()).isOk());
        QVERIFY(checkExportTarget(out.path(), db.path()).error().contains(QStringLiteral("是一个文件夹")));
        // Writing the cards over the card database would lose every style, however the path is spelt.
        const QString otherSpelling = db.dir() + QStringLiteral("/./") + QFileInfo(db.path()).fileName();
        QVERIFY(
            checkExportTarget(otherSpelling, db.path()).error().contains(QStringLiteral("不能是数据文件")));
    }

    void stylesFoundByNameOrNumber()
    {
        TestDatabase db;
        addExportStyle(db, 7, QStringLiteral("Gala"), {QStringLiteral("张三")});
        addExportStyle(db, 12, QStringLiteral("7"), {QStringLiteral("李四")});
        CardStore store(db.path());

        const auto found = [&](const QString& key) {
            const Result<std::pair<qint16, QString>> r = findStyle(store, key);
            return r.isOk() ? QStringLiteral("%1 %2").arg(r.value().first).arg(r.value().second) : r.error();
        };
        QCOMPARE(found(QStringLiteral("gala")), QStringLiteral("7 Gala")); // the stored spelling
        QCOMPARE(found(QStringLiteral("12")), QStringLiteral("12 7"));
        QCOMPARE(found(QStringLiteral("7")), QStringLiteral("12 7")); // a name wins over a number
        QVERIFY(found(QStringLiteral("99")).contains(QStringLiteral("没有名称或编号为“99”")));
        QVERIFY(found(QStringLiteral("x' OR '1'='1")).contains(QStringLiteral("没有名称或编号")));
    }
};

QTEST_MAIN(tst_cardexport)
#include "tst_cardexport.moc"
