// Guest fields on cards: the field language (fields, escapes, names that are no field), the 称谓
// rules and the name formats, and cards read back from exported PDFs: fields from list data alone,
// table order, and a card from a file made before the fields existed, still the same to the pixel.
#include "core/app/Startup.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/FieldText.h"
#include "core/printing/CardExport.h"
#include "ExportFixture.h"
#include "support/TestDatabase.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

// The text pdftotext reads on each page of `pdf`, its lines joined by "|", blank lines left out.
QStringList pageTexts(const QString& pdf)
{
    QStringList pages;
    for (int page = 1; page <= pageCount(pdf); ++page) {
        const QString p = QString::number(page);
        QStringList lines = runTool(u"pdftotext"_s, {u"-layout"_s, u"-f"_s, p, u"-l"_s, p, pdf, u"-"_s})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.normalized(QString::NormalizationForm_KC).simplified(); // radicals some fonts map to
        lines.removeAll(QString());
        pages << lines.join(QLatin1Char('|'));
    }
    return pages;
}

// Style 3 "婚宴": a label of fixed text with escaped braces, one with fields, and the name line in
// `format` (and `partnerFormat` for guests with a 同行).
void addFieldStyle(TestDatabase& db, const QString& format, const QString& partnerFormat)
{
    db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (3, '婚宴')"_s);
    db.exec(u"INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, NameFormat, "
            "PartnerFormat) VALUES (3, 10, 40, '楷体', '20', '常规', ?, ?)"_s,
            {format, partnerFormat});
    db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle) "
            "VALUES (3, '标题', '{{请柬}}', 10, 10, '黑体', '16', '常规'), "
            "(3, '人数', '共 {人数} 位 · {关系}', 10, 80, '宋体', '12', '常规')"_s);
}

void addGuest(TestDatabase& db, const QVariantList& nameSexTablePartnerAttending)
{
    db.exec(u"INSERT INTO Guests (ListID, Name, Sex, TableNo, Partner, Attending, Connection) "
            "VALUES (3, ?, ?, ?, ?, ?, '亲戚')"_s,
            nameSexTablePartnerAttending);
}

// Exports style 3 of `db` and returns the text of each page.
QStringList exportedTexts(TestDatabase& db)
{
    CardStore store(db.path());
    const Result<CardSet> cards = loadCardSet(store, 3, u"婚宴"_s);
    if (!cards.isOk())
        return {cards.error()};
    QTemporaryDir out;
    const QString pdf = out.filePath(u"cards.pdf"_s);
    const Result<ExportEnd> done = exportCards(cards.value(), a6WithoutMargins(), pdf);
    if (!done.isOk())
        return {done.error()};
    return pageTexts(pdf);
}

} // namespace

class tst_cardfields : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void fieldsEscapesAndUnknownNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("unknown");
        const auto row = [](const char* tag, const QString& text, const QString& printed,
                            const QStringList& unknown = {}) {
            QTest::newRow(tag) << text << printed << unknown;
        };
        row("fields", u"{姓名}{称谓} · 第 {桌号} 桌"_s, u"张伟先生 · 第 8 桌"_s);
        row("every field", u"{同行}|{关系}|{单位}|{电话}|{备注}|{人数}"_s, u"李娜|亲戚|某厂|139|素食|2"_s);
        row("escaped braces", u"{{姓名}}"_s, u"{姓名}"_s);
        row("field in braces", u"{{{姓名}}}"_s, u"{张伟}"_s);
        row("single closing brace", u"a}b}}c"_s, u"a}b}c"_s);
        row("brace that opens nothing", u"{ 和 {姓名"_s, u"{ 和 {姓名"_s);
        row("line break ends a name", u"{姓\n名}"_s, u"{姓\n名}"_s);
        row("unknown name kept", u"座位：{座位} {姓名}"_s, u"座位：{座位} 张伟"_s, {u"{座位}"_s});
        row("empty and spaced names", u"{}{ 姓名 }{}"_s, u"{}{ 姓名 }{}"_s, {u"{}"_s, u"{ 姓名 }"_s});
    }

    // Catches a field left unfilled or filled wrongly, an escape printed doubled, and a name in
    // braces that is no field being dropped or not reported for the save check.
    void fieldsEscapesAndUnknownNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, printed);
        QFETCH(QStringList, unknown);
        GuestFields guest{u"张伟"_s, u"男"_s, u"亲戚"_s, u"某厂"_s, u"139"_s,
                          u"素食"_s, {},      u"李娜"_s, u"8"_s,    2};
        const FieldText fields(text);
        QCOMPARE(fields.expanded(CardFields::valuesOf(guest, SalutationRules())), printed);
        QCOMPARE(fields.unknownNames(), unknown);
        QCOMPARE(CardFields::refusal(text, u"标签内容"_s).isEmpty(), unknown.isEmpty());
        if (!unknown.isEmpty())
            QVERIFY(CardFields::refusal(text, u"标签内容"_s).contains(u"“%1”"_s.arg(unknown.first())));
    }

    void salutationAndNameLine_data()
    {
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("partner");
        QTest::addColumn<QString>("partnerFormat");
        QTest::addColumn<QString>("nameLine");
        const QString couple = u"{姓名} {同行} 伉俪"_s;
        QTest::newRow("女 by edited rule") << u"女"_s << QString() << QString() << couple << u"张伟女史"_s;
        QTest::newRow("no sex") << QString() << QString() << QString() << couple << u"张伟"_s;
        QTest::newRow("own 称谓 wins") << u"男"_s << u"教授"_s << QString() << couple << u"张伟教授"_s;
        QTest::newRow("partner format") << u"男"_s << QString() << u"李娜"_s << couple << u"张伟 李娜 伉俪"_s;
        QTest::newRow("household") << u"男"_s << QString() << u"全家"_s << u"{姓名}{同行}"_s << u"张伟全家"_s;
        QTest::newRow("partner, no format")
            << u"男"_s << QString() << u"李娜"_s << QString() << u"张伟先生"_s;
    }

    // Catches a 称谓 rule applied over the guest's own 称谓, the partner format used for a guest
    // without a partner (or not used for one with), and an edited rule ignored.
    void salutationAndNameLine()
    {
        QFETCH(QString, sex);
        QFETCH(QString, own);
        QFETCH(QString, partner);
        QFETCH(QString, partnerFormat);
        QFETCH(QString, nameLine);
        GuestNameSetting setting;
        setting.format = u"{姓名}{称谓}"_s;
        setting.partnerFormat = partnerFormat;
        SalutationRules rules;
        rules.female = u"女史"_s;
        const CardTemplate card({}, setting, rules);
        GuestFields guest;
        guest.name = u"张伟"_s;
        guest.sex = sex;
        guest.salutation = own;
        guest.partner = partner;
        QCOMPARE(card.textsFor(guest).name, nameLine);
    }

    // Catches fields that do not reach the printed page: the two cards of the issue come from list
    // data alone, a guest named like a field prints that name, and the default format prints
    // exactly the stored name.
    void cardsPrintFieldsFromListData()
    {
        TestDatabase db;
        addFieldStyle(db, u"{姓名}{称谓} · 第 {桌号} 桌"_s, u"{姓名} {同行} 伉俪"_s);
        addGuest(db, {u"张伟"_s, u"男"_s, u"8"_s, u""_s, 1});
        addGuest(db, {u"张伟"_s, u"男"_s, u"8"_s, u"李娜"_s, 2});
        addGuest(db, {u"{桌号}"_s, QVariant(), u"12"_s, u""_s, 1});
        QCOMPARE(exportedTexts(db), (QStringList{u"{请柬}|张伟先生 · 第 8 桌|共 1 位 · 亲戚"_s,
                                                 u"{请柬}|张伟 李娜 伉俪|共 2 位 · 亲戚"_s,
                                                 u"{请柬}|{桌号} · 第 12 桌|共 1 位 · 亲戚"_s}));

        db.exec(u"UPDATE GuestXY SET NameFormat = '{姓名}', PartnerFormat = '' WHERE ListID = 3"_s);
        QCOMPARE(exportedTexts(db).value(1), u"{请柬}|张伟|共 2 位 · 亲戚"_s);
    }

    // Catches table order ignored or taken as text (10 before 8), guests of one table out of their
    // list order, and guests without a table lost; with the option off, the order of entry.
    void tableOrderExport()
    {
        TestDatabase db;
        addFieldStyle(db, u"{姓名}-{桌号}"_s, u""_s);
        for (const auto& [name, table] :
             {std::pair{"甲", "10"}, std::pair{"乙", "8"}, std::pair{"丙", ""}, std::pair{"丁", "8"},
              std::pair{"戊", "主桌"}, std::pair{"己", "2"}})
            addGuest(db, {QString::fromUtf8(name), QVariant(), QString::fromUtf8(table), u""_s, 1});
        const auto names = [&] {
            QStringList order;
            for (const QString& page : exportedTexts(db))
                order << page.section(QLatin1Char('|'), 1, 1);
            return order;
        };
        QCOMPARE(names(), (QStringList{u"甲-10"_s, u"乙-8"_s, u"丙-"_s, u"丁-8"_s, u"戊-主桌"_s, u"己-2"_s}));
        db.exec(u"UPDATE Lists SET TableOrder = 1 WHERE ListID = 3"_s);
        QCOMPARE(names(), (QStringList{u"己-2"_s, u"乙-8"_s, u"丁-8"_s, u"甲-10"_s, u"戊-主桌"_s, u"丙-"_s}));
    }

    // Catches labels of an older file read for fields after the upgrade: braces written before they
    // meant anything, a field's name among them, print as they did.
    void version1BracesPrintAsWritten()
    {
        TestDatabase db(QStringLiteral(FENNICK_V1_DB));
        db.exec(u"INSERT INTO Lists (ListID, ListName) VALUES (3, '婚宴')"_s);
        db.exec(u"INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                "VALUES (3, 10, 10, '宋体', '12', '常规')"_s);
        const QStringList texts{u"致 {姓名} {称谓}"_s, u"{{请柬}}"_s, u"a}}b{c"_s, u"无括号"_s};
        for (int i = 0; i < texts.size(); ++i) {
            db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                    "KeyFontStyle) VALUES (3, ?, ?, 10, ?, '宋体', '12', '常规')"_s,
                    {u"标签%1"_s.arg(i), texts.at(i), 30 + 15 * i});
        }
        db.exec(u"INSERT INTO Guests (ListID, Name, Sex) VALUES (3, '张伟', '男')"_s);
        QCOMPARE(exportedTexts(db), QStringList{u"张伟|"_s + texts.join(QLatin1Char('|'))});
    }

    // Catches any change to a card of a style that uses no field, anchor, fit width or columns: the
    // pages of a version-1 file are compared pixel by pixel with those the program exported before
    // guest fields and placements existed (FENNICK_WRITE_REFERENCE=1 writes them anew).
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
        const QList<QImage> pages = greyPages(pdf, 100);
        QCOMPARE(pages.size(), 3);
        compareWithReferences(pages, u"version1-card"_s);
    }
};

QTEST_MAIN(tst_cardfields)
#include "tst_cardfields.moc"
