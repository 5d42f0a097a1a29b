// Guest fields on cards, read back from exported PDFs: a card from a file made before the fields
// existed is still the same card to the pixel.
#include "core/app/Startup.h"
#include "core/printing/CardExport.h"
#include "ExportFixture.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kReferenceDir = QStringLiteral(FENNICK_SOURCE_DIR "/tests/core/printing/reference");

QPageLayout a6WithoutMargins()
{
    return QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

// A style as a version-1 file holds it: labels in several fonts and weights, one of several lines,
// one with braces that name no field, and guests with and without a sex.
void addVersion1Style(TestDatabase& db)
{
    db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (7, '寿宴')"_s);
    db.exec(u"INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
            "VALUES (7, 28.5, 40, '楷体', '20', '粗体')"_s);
    const QVariantList labels[] = {
        {u"标题"_s, u"  寿  宴  "_s, 30, 12, u"黑体"_s, u"26"_s, u"粗体"_s},
        {u"正文"_s, u"谨定于农历八月十五日\n敬备薄酒 恭候光临"_s, 12, 70, u"宋体"_s, u"11"_s, u"常规"_s},
        {u"座次"_s, u"座位：{座位} 请凭柬入席"_s, 12, 100, u"微软雅黑"_s, u"10.5"_s, u"斜体"_s},
        {u"落款"_s, u"王家 敬邀"_s, 60, 125, u"仿宋"_s, u"12"_s, u"未知"_s},
    };
    for (const QVariantList& label : labels) {
        db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                "KeyFontStyle) VALUES (7, ?, ?, ?, ?, ?, ?, ?)"_s,
                label);
    }
    db.exec(u"INSERT INTO Guests (ListID, Name, Sex) VALUES (7, ' 张伟 ', '男'), (7, '李娜', '女'), "
            "(7, 'O''Brien 王', NULL)"_s);
}

// The pages of `pdf` rasterised in grey at 100 dpi.
QList<QImage> pagesOf(const QString& pdf, const QString& folder)
{
    const QString prefix = QDir(folder).filePath(u"page"_s);
    runTool(u"pdftoppm"_s, {u"-r"_s, u"100"_s, u"-gray"_s, u"-png"_s, pdf, prefix});
    QList<QImage> pages;
    for (int page = 1;; ++page) {
        const QImage image(u"%1-%2.png"_s.arg(prefix).arg(page));
        if (image.isNull())
            break;
        pages << image.convertToFormat(QImage::Format_Grayscale8);
    }
    return pages;
}

} // namespace

class tst_cardfields : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches any change to a card of a style that uses no field: the pages of a version-1 file are
    // compared pixel by pixel with those the program exported before guest fields existed
    // (FENNICK_WRITE_REFERENCE=1 writes them anew).
    void version1CardIsPixelIdentical()
    {
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        addVersion1Style(db);
        CardStore store(db.path());
        const Result<CardSet> cards = loadCardSet(store, 7, u"寿宴"_s);
        QVERIFY2(cards.isOk(), qPrintable(cards.error()));
        QTemporaryDir out;
        const QString pdf = out.filePath(u"cards.pdf"_s);
        const Result<ExportEnd> done = exportCards(cards.value(), a6WithoutMargins(), pdf);
        QVERIFY2(done.isOk(), qPrintable(done.error()));
        const QList<QImage> pages = pagesOf(pdf, out.path());
        QCOMPARE(pages.size(), 3);
        for (int i = 0; i < pages.size(); ++i) {
            const QString reference = u"%1/version1-card-%2.png"_s.arg(kReferenceDir).arg(i + 1);
            if (qEnvironmentVariableIsSet("FENNICK_WRITE_REFERENCE")) {
                QVERIFY(pages.at(i).save(reference));
                continue;
            }
            const QImage expected = QImage(reference).convertToFormat(QImage::Format_Grayscale8);
            QVERIFY2(!expected.isNull(), qPrintable(reference));
            QCOMPARE(pages.at(i).size(), expected.size());
            QVERIFY2(pages.at(i) == expected, qPrintable(u"page %1 differs"_s.arg(i + 1)));
        }
    }
};

QTEST_MAIN(tst_cardfields)
#include "tst_cardfields.moc"
