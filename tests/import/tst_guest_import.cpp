// Reading guest lists from .xlsx and CSV files, matching columns to guest fields, the one-transaction
// import and the CSV export, on files written by the tests themselves.
#include "XlsxFixture.h"
#include "guests/import/CsvReader.h"
#include "guests/import/GuestColumns.h"
#include "guests/import/GuestCsvWriter.h"
#include "guests/import/ImportPlan.h"
#include "guests/import/XlsxReader.h"
#include "store/CardStore.h"
#include "store/GuestTransferStore.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QList<QStringList> cellsOf(const SheetTable& table)
{
    QList<QStringList> rows;
    for (const SheetRow& row : table.rows)
        rows << row.cells;
    return rows;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

Result<SheetTable> readCsv(const QByteArray& bytes)
{
    return CsvReader::parse(bytes, CsvReader::detectEncoding(bytes), QStringLiteral("名单.csv"));
}

GuestFields guest(const QString& name, const QString& sex = QString(), const QString& connection = QString(),
                  const QString& job = QString(), const QString& contact = QString(),
                  const QString& remark = QString())
{
    return GuestFields{name, sex, connection, job, contact, remark};
}

} // namespace

class tst_guest_import : public QObject
{
    Q_OBJECT

private slots:
    void xlsxReadsStringsAndNumbersOfTheFirstSheet()
    {
        QTemporaryDir dir;
        // Rich text runs and a phonetic guide in the shared strings; inline strings; a number stored with
        // an exponent and one in full; a cell left out between A and C; an empty row 3; a sheet that is
        // not where sheet1.xml usually lies.
        const QByteArray shared =
            "<si><t>姓名</t></si><si><t>电话</t></si><si><t>备注</t></si>"
            "<si><r><t>张</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">三 </t></r>"
            "<rPh sb=\"0\" eb=\"1\"><t>ZHANG</t></rPh></si>";
        const QByteArray sheet =
            "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
            "<c r=\"C1\" t=\"s\"><v>2</v></c></row>"
            "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>3</v></c><c r=\"B2\"><v>1.3812345678E10</v></c></row>"
            "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>李四😀&amp;𠀀</t></is></c>"
            "<c r=\"B4\" t=\"n\"><v>13912345678</v></c><c r=\"C4\"><v>2.5</v></c></row>"
            "<row r=\"5\"><c r=\"A5\" t=\"str\"><f>A4</f><v>王五</v></c><c r=\"C5\" "
            "t=\"b\"><v>1</v></c></row>";
        const QString path = dir.filePath(QStringLiteral("guests.xlsx"));
        QVERIFY(XlsxFixture::writeZip(path, XlsxFixture::workbookParts(sheet, shared, "sheets/guests.xml")));

        const Result<SheetTable> table = XlsxReader::read(path);
        QVERIFY2(table.isOk(), qPrintable(table.error()));
        const QList<QStringList> expected = {
            {"姓名", "电话", "备注"},
            {"张三 ", "13812345678"},
            {"李四😀&𠀀", "13912345678", "2.5"},
            {"王五", "", "TRUE"},
        };
        QCOMPARE(cellsOf(table.value()), expected);
        QCOMPARE(table.value().rows.at(2).line, 4);
        QCOMPARE(table.value().columnCount, 3);

        QCOMPARE(XlsxReader::numberText("8613812345678"), QStringLiteral("8613812345678"));
        QCOMPARE(XlsxReader::numberText("1.0"), QStringLiteral("1"));
        QCOMPARE(XlsxReader::numberText("0.30000000000000004"), QStringLiteral("0.3"));
    }

    void xlsxBadFilesGiveAMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.xlsx"));
        QList<QStringList> rows;
        for (int i = 0; i < 2000; ++i)
            rows << QStringList{QStringLiteral("宾客%1").arg(i), QStringLiteral("备注%1").arg(i * 7919)};
        rows.prepend({QStringLiteral("姓名"), QStringLiteral("备注")});
        XlsxFixture::writeRows(good, rows);
        QFile file(good);
        file.open(QIODevice::ReadOnly);
        const QByteArray whole = file.readAll();

        QTest::newRow("empty") << QByteArray() << QStringLiteral("是空的");
        QTest::newRow("renamed image")
            << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + QByteArray(500, 'x')
            << QStringLiteral("不是 Excel 工作簿");
        QTest::newRow("old xls") << QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, '\0')
                                 << QStringLiteral(".xls");
        QTest::newRow("truncated") << whole.left(whole.size() / 2) << QStringLiteral("无法读取");
        QTest::newRow("zip of something else") << [&] {
            const QString other = dir.filePath(QStringLiteral("other.zip"));
            XlsxFixture::writeZip(other, {{QStringLiteral("readme.txt"), "hello"}});
            QFile f(other);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }() << QStringLiteral("不是 Excel 工作簿");
    }

    void xlsxBadFilesGiveAMessage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("名单.xlsx"), bytes);
        const Result<SheetTable> table = XlsxReader::read(path);
        QVERIFY(!table.isOk());
        QVERIFY2(table.error().contains(expected), qPrintable(table.error()));
        QVERIFY(table.error().contains(QStringLiteral("名单.xlsx")));
    }

    void xlsxDamagedPartsGiveAMessage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.xlsx"));

        // The relationship names a sheet that is not in the archive.
        QVERIFY(XlsxFixture::writeZip(path, XlsxFixture::workbookParts("", "", QString())));
        QVERIFY(XlsxReader::read(path).error().contains(QStringLiteral("找不到第一张工作表")));

        // A shared string that does not exist.
        QVERIFY(XlsxFixture::writeZip(
            path, XlsxFixture::workbookParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>",
                                             "<si><t>only</t></si>")));
        QVERIFY(XlsxReader::read(path).error().contains(QStringLiteral("已损坏")));

        // Broken XML in the sheet.
        QVERIFY(XlsxFixture::writeZip(path, XlsxFixture::workbookParts("<row r=\"1\"><c><v>1</c></row>")));
        QVERIFY(XlsxReader::read(path).error().contains(QStringLiteral("已损坏")));

        // A sheet that inflates far beyond what is read: stopped at the limit, not read to the end.
        QByteArray padding(8 * 1024 * 1024, ' ');
        QVERIFY(XlsxFixture::writeZip(path, XlsxFixture::workbookParts(padding)));
        QVERIFY(QFileInfo(path).size() < 200 * 1024);
        const Result<SheetTable> bomb = XlsxReader::read(path, 1024 * 1024);
        QVERIFY(!bomb.isOk());
        QVERIFY2(bomb.error().contains(QStringLiteral("过大")), qPrintable(bomb.error()));
        QVERIFY(XlsxReader::read(path).isOk()); // the same file within the default limit
    }

    void csvEncodingsReadTheSameRows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("detected");
        const QString text = QStringLiteral("姓名,性别,电话\r\n张三,男,13812345678\r\n欧阳𠀀娜娜,女,\r\n");
        QStringEncoder utf16("UTF-16LE");
        QTest::newRow("UTF-8") << text.toUtf8() << TextEncoding::Utf8;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << TextEncoding::Utf8;
        QTest::newRow("GBK/GB18030") << gbk(text) << TextEncoding::Gb18030;
        QTest::newRow("UTF-16 with BOM, tabs")
            << QByteArray("\xFF\xFE") + QByteArray(utf16.encode(QString(text).replace(',', '\t')))
            << TextEncoding::Utf16;
    }

    void csvEncodingsReadTheSameRows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, detected);
        QCOMPARE(CsvReader::detectEncoding(bytes), detected);
        const Result<SheetTable> table = readCsv(bytes);
        QVERIFY2(table.isOk(), qPrintable(table.error()));
        const QList<QStringList> expected = {
            {"姓名", "性别", "电话"}, {"张三", "男", "13812345678"}, {"欧阳𠀀娜娜", "女"}};
        QCOMPARE(cellsOf(table.value()), expected);
        QCOMPARE(table.value().rows.at(2).line, 3);
    }

    void csvWrongOrMixedEncodingIsRefused()
    {
        // GBK lines appended to a UTF-8 file: either reading garbles half of it, so neither is used.
        const QByteArray mixed =
            QStringLiteral("姓名,关系\n张三,同事\n").toUtf8() + gbk(QStringLiteral("李四,朋友\n"));
        for (TextEncoding chosen : {TextEncoding::Utf8, TextEncoding::Gb18030}) {
            const Result<SheetTable> table = CsvReader::parse(mixed, chosen, QStringLiteral("a.csv"));
            QVERIFY(!table.isOk());
            QVERIFY2(table.error().contains(QStringLiteral("混有两种文字编码：第1行是 UTF-8，第3行不是")),
                     qPrintable(table.error()));
        }

        // GBK read as UTF-8 names the first line that is not UTF-8.
        const QByteArray gbkFile = QByteArray("Name\n") + gbk(QStringLiteral("张三\n"));
        const Result<SheetTable> asUtf8 =
            CsvReader::parse(gbkFile, TextEncoding::Utf8, QStringLiteral("a.csv"));
        QVERIFY2(asUtf8.error().contains(QStringLiteral("第2行含有不属于 UTF-8 编码的文字")),
                 qPrintable(asUtf8.error()));

        // Bytes that are not GB18030 either, and a binary file with NUL bytes.
        const QByteArray broken = QByteArray("a\nb\n\x81\x30\xff\xff\n");
        QVERIFY(readCsv(broken).error().contains(QStringLiteral("第3行含有不属于 GBK/GB18030 编码的文字")));
        QVERIFY(
            readCsv(QByteArray("PK\x03\x04\0\0\x14", 7)).error().contains(QStringLiteral("不是文本格式")));
        QVERIFY(readCsv(QByteArray()).error().contains(QStringLiteral("是空的")));

        // A byte-order mark wins over the chosen encoding.
        const QByteArray bom = QByteArray("\xEF\xBB\xBF") + QStringLiteral("王五").toUtf8();
        QCOMPARE(CsvReader::parse(bom, TextEncoding::Gb18030, "a.csv").value().rows.at(0).cells,
                 QStringList{QStringLiteral("王五")});
    }

    void csvQuotedFieldsAndSeparators_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QStringList>>("expected");
        QTest::addColumn<QList<int>>("lines");

        QTest::newRow("quotes, commas and line breaks")
            << QStringLiteral("姓名,备注\r\n\"张,三\",\"他说\"\"好\"\"\"\r\n\"李四\","
                              "\"第一行\r\n第二行\"\r\n王五,x\"y\r\n")
            << QList<QStringList>{{"姓名", "备注"},
                                  {"张,三", "他说\"好\""},
                                  {"李四", "第一行\r\n第二行"},
                                  {"王五", "x\"y"}}
            << QList<int>{1, 2, 3, 5};
        QTest::newRow("tabs, blank lines, no final line end")
            << QStringLiteral("姓名\t电话\n\n赵六\t\"1,2\"\n\t\t\n孙七")
            << QList<QStringList>{{"姓名", "电话"}, {"赵六", "1,2"}, {"孙七"}} << QList<int>{1, 3, 5};
        QTest::newRow("old line ends")
            << QStringLiteral("a,b\rc,d\r") << QList<QStringList>{{"a", "b"}, {"c", "d"}} << QList<int>{1, 2};
    }

    void csvQuotedFieldsAndSeparators()
    {
        QFETCH(QString, text);
        QFETCH(QList<QStringList>, expected);
        QFETCH(QList<int>, lines);
        const Result<SheetTable> table = CsvReader::split(text, QStringLiteral("a.csv"));
        QVERIFY2(table.isOk(), qPrintable(table.error()));
        QCOMPARE(cellsOf(table.value()), expected);
        QList<int> actualLines;
        for (const SheetRow& row : table.value().rows)
            actualLines << row.line;
        QCOMPARE(actualLines, lines);
    }

    void csvUnclosedQuoteIsRefused()
    {
        const Result<SheetTable> table =
            CsvReader::split(QStringLiteral("姓名\n张三\n\"李四,\n王五\n赵六\n"), QStringLiteral("a.csv"));
        QVERIFY(!table.isOk());
        QVERIFY2(table.error().contains(QStringLiteral("第3行的引号没有配对")), qPrintable(table.error()));
    }

    void headingsAreMatchedToFields()
    {
        SheetTable table;
        table.columnCount = 8;
        table.rows = {{1, {"序号", "宾客 姓名", "性    别：", "单位", "手机", "电话", "备注", "关系"}},
                      {2, {"1", " 张三 ", "M", "某公司", "138", "010-1", "", " 同事 "}},
                      {3, {"2", "李四", "female", "", "", "", "素食", ""}},
                      {4, {"3", "王五", "未知"}}};
        const ColumnMatch match = GuestColumns::guess(table);
        QCOMPARE(match.headingRow, 0);
        QCOMPARE(match.fields, (QList<GuestField>{GuestField::None, GuestField::Name, GuestField::Sex,
                                                  GuestField::Job, GuestField::Contact, GuestField::Contact,
                                                  GuestField::Remark, GuestField::Connection}));

        const ImportPlan plan = ImportPlan::build(table, match, {});
        QCOMPARE(plan.accepted(true),
                 (QList<GuestFields>{guest("张三", "男", "同事", "某公司", "138 010-1"),
                                     guest("李四", "女", "", "", "", "素食"), guest("王五")}));

        // The user moves the match: the first column becomes the remark, the contacts are dropped.
        ColumnMatch changed = match;
        changed.fields[0] = GuestField::Remark;
        changed.fields[4] = changed.fields[5] = changed.fields[6] = GuestField::None;
        QCOMPARE(ImportPlan::build(table, changed, {}).accepted(true).at(0),
                 guest("张三", "男", "同事", "某公司", "", "1"));

        // Without a known heading, the first row is a guest and the first column holds the names.
        SheetTable plain;
        plain.columnCount = 2;
        plain.rows = {{1, {"张三", "13800000000"}}, {2, {"李四"}}};
        const ColumnMatch guessed = GuestColumns::guess(plain);
        QVERIFY(!guessed.hasHeadings());
        QCOMPARE(guessed.fields, (QList<GuestField>{GuestField::Name, GuestField::None}));
        QCOMPARE(ImportPlan::build(plain, guessed, {}).acceptedCount(true), 2);

        // A title above the headings (a merged first row, say) is neither a heading nor a guest.
        SheetTable titled;
        titled.columnCount = 2;
        titled.rows = {{1, {"张李婚宴宾客名单"}}, {3, {"姓名", "电话"}}, {4, {"张三", "1"}}};
        const ColumnMatch below = GuestColumns::guess(titled);
        QCOMPARE(below.headingRow, 1);
        const ImportPlan titledPlan = ImportPlan::build(titled, below, {});
        QCOMPARE(titledPlan.accepted(true), (QList<GuestFields>{guest("张三", "", "", "", "1")}));
        QVERIFY(titledPlan.linesWithoutName.isEmpty());
    }

    void rowsWithoutNameAndDuplicatesArePlanned()
    {
        SheetTable table;
        table.columnCount = 2;
        table.rows = {{1, {"姓名", "备注"}}, {2, {"张三", "a"}},        {3, {"", "no name"}},
                      {5, {"李四", "b"}},    {6, {"  ", "blank name"}}, {7, {"张三", "again"}},
                      {8, {"王五", "c"}}};
        const ImportPlan plan =
            ImportPlan::build(table, GuestColumns::guess(table), {QStringLiteral("李四")});
        QCOMPARE(plan.linesWithoutName, (QList<int>{3, 6}));
        QCOMPARE(plan.duplicates, 2); // 李四 is in the list, the second 张三 is earlier in the file
        QCOMPARE(plan.acceptedCount(false), 2);
        QList<QString> names;
        for (const GuestFields& g : plan.accepted(false))
            names << g.name;
        QCOMPARE(names, (QList<QString>{"张三", "王五"}));
        QCOMPARE(plan.accepted(true).size(), 4);
        QCOMPARE(plan.accepted(true).at(2).remark, QStringLiteral("again"));
    }

    void importWritesAllRowsInOneTransaction()
    {
        TestDatabase db;
        db.addStyle(1, QStringLiteral("婚礼"), 0, 2);
        db.addStyle(2, QStringLiteral("寿宴"), 0, 1);
        CardStore store(db.path());
        GuestTransferStore transfer(store);

        const QDateTime at(QDate(2026, 5, 20), QTime(13, 14, 15));
        const QList<GuestFields> guests = {
            guest("甲", "男", "同事", "某公司", "13812345678", "第一行\n第二行"),
            guest("O'Brien \"乙\"", QString(), "", "", "", "😀𠀀")};
        QVERIFY(transfer.addAll(1, guests, at).isOk());
        QCOMPARE(db.rowsOf(QStringLiteral("Guests"), 1), 4);
        QCOMPARE(db.rowsOf(QStringLiteral("Guests"), 2), 1);
        const Result<QList<GuestFields>> back = transfer.guests(1);
        QCOMPARE(back.value().mid(2), guests);
        QCOMPARE(
            db.scalar("SELECT count(*) FROM Guests WHERE ListID = 1 AND SaveTime = '2026-05-20 13:14:15'"),
            QVariant(2));
        QVERIFY(db.scalar("SELECT Sex FROM Guests WHERE Name = ?", {guests.at(1).name}).isNull());
        QVERIFY(transfer.names(1).value().contains(QStringLiteral("甲")));

        // A row the database refuses half-way: nothing of the import stays.
        const QString before = db.snapshot();
        QList<GuestFields> failing = guests;
        failing.insert(1, guest("丙", "X"));
        const Status refused = transfer.addAll(1, failing, at);
        QVERIFY(!refused.isOk());
        QVERIFY(refused.error().contains(QStringLiteral("Date_D.dat")));
        QCOMPARE(db.snapshot(), before);

        // A read-only data file: a clear message and nothing written.
        CardStore readOnly(db.path());
        readOnly.setReadOnly(true);
        const Status denied = GuestTransferStore(readOnly).addAll(1, guests, at);
        QVERIFY(denied.error().contains(QStringLiteral("只读")));
        QCOMPARE(db.snapshot(), before);
    }

    void exportThenImportGivesTheSameGuests()
    {
        const QList<GuestFields> guests = {
            guest("张三", "男", "同事", "某公司,销售部", "13812345678", "说\"你好\""),
            guest(" 李四", "", " 朋友 ", "", "+86 139", "第一行\r\n第二行"),
            guest("王五😀𠀀", "女", "", "", "", ""),
        };
        const QByteArray csv = GuestCsvWriter::toCsv(guests);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF宾客姓名,性别,关系,职业,联系方式,备注\r\n"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("导出.csv"));
        QVERIFY(GuestCsvWriter::write(path, guests).isOk());
        const Result<QByteArray> bytes = CsvReader::load(path);
        QCOMPARE(bytes.value(), csv);
        const Result<SheetTable> table = readCsv(bytes.value());
        QVERIFY(table.isOk());
        const ColumnMatch match = GuestColumns::guess(table.value());
        QCOMPARE(match.fields, (QList<GuestField>{GuestField::Name, GuestField::Sex, GuestField::Connection,
                                                  GuestField::Job, GuestField::Contact, GuestField::Remark}));
        QList<GuestFields> expected = guests;
        expected[1].name = QStringLiteral("李四"); // imported cells are trimmed like typed ones
        expected[1].connection = QStringLiteral("朋友");
        QCOMPARE(ImportPlan::build(table.value(), match, {}).accepted(true), expected);
    }

    void exportToAReadOnlyFolderKeepsWhatWasThere()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("no such folder/名单.csv"));
        const Status nowhere = GuestCsvWriter::write(missing, {guest("张三")});
        QVERIFY(!nowhere.isOk());
        QVERIFY2(nowhere.error().contains(QStringLiteral("无法保存文件")), qPrintable(nowhere.error()));
        QVERIFY(!QFile::exists(missing));

        const QString path = writeFile(dir, QStringLiteral("名单.csv"), "old content");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(dir.path()).isWritable())
            QSKIP("running with rights that ignore folder permissions");
        const Status status = GuestCsvWriter::write(path, {guest("张三")});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!status.isOk());
        QVERIFY2(status.error().contains(QStringLiteral("没有在文件夹")), qPrintable(status.error()));
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QCOMPARE(file.readAll(), QByteArray("old content"));
    }

    void largeFilesAreReadWhole()
    {
        QTemporaryDir dir;
        QList<QStringList> rows{{"姓名", "手机"}};
        QString csv = QStringLiteral("姓名,手机\n");
        for (int i = 0; i < 100000; ++i) {
            rows << QStringList{QStringLiteral("宾客%1").arg(i), QString::number(13800000000LL + i)};
            csv += rows.constLast().join(QLatin1Char(',')) + QLatin1Char('\n');
        }
        const QString xlsx = dir.filePath(QStringLiteral("big.xlsx"));
        QVERIFY(XlsxFixture::writeRows(xlsx, rows));
        for (const Result<SheetTable>& table : {XlsxReader::read(xlsx), readCsv(gbk(csv))}) {
            QVERIFY2(table.isOk(), qPrintable(table.error()));
            const ImportPlan plan = ImportPlan::build(table.value(), GuestColumns::guess(table.value()), {});
            QCOMPARE(plan.acceptedCount(false), 100000);
            QCOMPARE(plan.guests.constLast().fields.contact, QStringLiteral("13800099999"));
            QCOMPARE(plan.guests.constLast().line, 100001);
        }
    }
};

QTEST_GUILESS_MAIN(tst_guest_import)
#include "tst_guest_import.moc"
