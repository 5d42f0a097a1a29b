// The check before cards are printed or exported: texts off the printable area, positions and sizes
// no card can have, characters no font prints. (That the print run asks about them before its first
// card is the print run's test.)
#include "PrintFixture.h"
#include "core/cards/CardCheck.h"
#include "core/cards/UnprintableText.h"

#include <QTest>

namespace {

Label label(const QString& text, double xMm, double yMm, const QString& size = u"12"_s)
{
    Label l;
    l.name = u"标签1"_s;
    l.text = text;
    l.xMm = xMm;
    l.yMm = yMm;
    l.fontName = u"宋体"_s;
    l.fontSize = size;
    l.styleWord = u"常规"_s;
    return l;
}

} // namespace

Q_DECLARE_METATYPE(Label)

class tst_cardcheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void problemsOfACard_data()
    {
        QTest::addColumn<Label>("label");
        QTest::addColumn<double>("nameXMm");
        QTest::addColumn<QStringList>("guests");
        QTest::addColumn<QStringList>("expected"); // what each problem's line starts with, in order
        const QStringList guests{u"张三"_s};
        const auto row = [&](const char* tag, const Label& l, double nameX, const QStringList& names,
                             const QStringList& expected) {
            QTest::newRow(tag) << l << nameX << names << expected;
        };
        row("everything fits", label(u"请柬"_s, 20, 15), 30, guests, {});
        row("far right", label(u"请柬"_s, 1e308, 15), 30, guests,
            {u"标签“标签1”：位置（1e+308, 15 毫米）"_s});
        row("10000 points", label(u"请柬"_s, 20, 15, u"10000"_s), 30, guests,
            {u"标签“标签1”：字号 10000 磅超过了 1000 磅"_s});
        row("past the right edge", label(u"敬请光临寒舍共进晚餐"_s, 180, 15), 30, guests,
            {u"标签“标签1”：超出了可打印区域"_s});
        row("one name too long", label(u"请柬"_s, 20, 15), 170, {u"张三"_s, u"欧阳娜娜娜娜娜娜"_s},
            {u"宾客“欧阳娜娜娜娜娜娜”：超出了可打印区域"_s});
        row("name setting far away", label(u"请柬"_s, 20, 15), 1e12, guests,
            {u"宾客姓名：位置（1e+12, 35 毫米）"_s});
        // Private-use and unassigned characters are named; one a fallback font has (☃) is not.
        row("no font", label(u"请\uE001"_s, 20, 15), 30,
            {u"李\uE000"_s, u"周\u2603"_s, u"刘\u0378"_s, u"王\U000F0001"_s},
            {u"标签“标签1”：“\uE001”(U+E001)没有任何已安装的字体"_s, u"宾客“李\uE000”：“\uE000”(U+E000)"_s,
             u"宾客“刘\u0378”：“\u0378”(U+0378)"_s, u"宾客“王\U000F0001”：“\U000F0001”(U+F0001)"_s});
        // Guests are written "name|table" where their 桌号 matters.
        row("one guest's table past the edge", label(u"第 {桌号} 桌"_s, 180, 15), 30,
            {u"张三|8"_s, u"李四|十八号贵宾主桌"_s, u"王五|二十八号贵宾主桌"_s},
            {u"标签“标签1”：超出了可打印区域"_s});
        row("table fits for all", label(u"第 {桌号} 桌"_s, 150, 15), 30, {u"张三|8"_s, u"李四|18"_s}, {});
        row("field value no font prints", label(u"第 {桌号} 桌"_s, 20, 15), 30, {u"张三|\uE002"_s},
            {u"宾客“张三”：“\uE002”(U+E002)"_s});
    }

    // Catches a card that cannot print as designed but passes the check (off the page, out of any
    // sane range, too large, unprintable characters, also where a guest's field makes it so), a
    // problem reported for the wrong text or twice, and a card that fits but is reported.
    void problemsOfACard()
    {
        QFETCH(Label, label);
        QFETCH(double, nameXMm);
        QFETCH(QStringList, guests);
        QFETCH(QStringList, expected);
        GuestNameSetting setting;
        setting.xMm = nameXMm;
        setting.yMm = 35;
        setting.fontName = u"楷体"_s;
        setting.fontSize = u"20"_s;
        setting.styleWord = u"常规"_s;
        CardGuestList list(true);
        for (const QString& guest : guests) {
            GuestFields fields{guest.section(QLatin1Char('|'), 0, 0)};
            fields.table = guest.section(QLatin1Char('|'), 1);
            list.append(0, fields);
        }
        GlyphCoverage coverage;
        const QList<CardProblem> found =
            CardCheck::find(CardTemplate({label}, setting), list, QSizeF(210, 297), coverage);
        QStringList lines;
        for (const CardProblem& problem : found)
            lines << problem.describe();
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(lines.at(i).startsWith(expected.at(i)), qPrintable(lines.join('\n')));
    }
};

QTEST_MAIN(tst_cardcheck)
#include "tst_cardcheck.moc"
