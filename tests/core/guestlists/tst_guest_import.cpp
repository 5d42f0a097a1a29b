// Importing guest lists from .xlsx and CSV files written by the test, and exporting them: reading,
// matching columns to guest fields, planning which rows are added, the one-transaction write, the
// bad files that are refused, the import window driven through its controls, and the round trip.
#include "core/guestlists/CsvReader.h"
#include "core/guestlists/ImportPlan.h"
#include "core/guestlists/ImportSource.h"
#include "core/guestlists/XlsxReader.h"
#include "core/store/GuestTransferStore.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/guests/BackgroundRead.h"
#include "ui/guests/GuestListTransfer.h"
#include "ui/guests/w_AddGuest.h"
#include "ui/guests/w_ImportGuests.h"
#include "XlsxFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QStringEncoder>
#include <QProgressDialog>
#include <QPushButton>

#include <functional>
#include <memory>

#include <sys/stat.h>

using namespace XlsxFixture;

namespace {

using G = GuestFields;
using Guests = QList<GuestFields>;
using Rows = QList<QStringList>;

// The rows of a comma-separated text, on the lines they start on.
SheetTable csv(const QString& text)
{
    return CsvReader::split(text, "a.csv").value();
}

Rows cellsOf(const Result<SheetTable>& table)
{
    Rows rows;
    for (int row = 0; table.isOk() && row < table.value().rowCount(); ++row)
        rows << table.value().cells(row);
    return rows;
}

// A session with style 1 "婚礼" current, holding `guests` made-up guests.
struct Fixture
{
    explicit Fixture(int guests)
    {
        t.db.addStyle(1, "婚礼", 0, guests);
        t.choose(1, "婚礼");
    }

    // Opens the guest list window and waits until it has read the list.
    void openWindow()
    {
        window = std::make_unique<w_AddGuest>(t.session, nullptr);
        window->show();
        waitFor(*window, "Timer1");
    }

    // Presses the guest window's import button and hands the import window it opens to `drive`.
    bool importThroughWindow(const std::function<void(w_ImportGuests&)>& drive);

    TestSession t;
    std::unique_ptr<w_AddGuest> window;
};

// Runs `action`; an import window it opens is handed to `drive`, then closed if still open. True when
// one opened.
bool withImportWindow(const std::function<void()>& action, const std::function<void(w_ImportGuests&)>& drive)
{
    bool opened = false;
    QTimer timer; // dies with this call, so it cannot fire in a later step
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        if (auto* import = qobject_cast<w_ImportGuests*>(QApplication::activeModalWidget())) {
            timer.stop();
            opened = true;
            drive(*import);
            if (import->isVisible())
                import->reject();
        }
    });
    timer.start(10); // the file is read first, on a worker thread
    action();
    return opened;
}

bool Fixture::importThroughWindow(const std::function<void(w_ImportGuests&)>& drive)
{
    return withImportWindow([this] { click(*window, "Cmd_Import"); }, drive);
}

} // namespace

class tst_guest_import : public QObject
{
    Q_OBJECT

private slots:
    // Catches a sheet taken by its file name instead of the workbook's order, rich-text runs or
    // phonetic guides mixed into a name, lost inline strings and formula results, and phone numbers
    // stored as numbers coming out with an exponent or fewer digits.
    void xlsxReadsStringsAndNumbersOfTheFirstSheet()
    {
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
        QTemporaryDir dir;
        const QString path =
            writeFile(dir.filePath("guests.xlsx"), zip(workbookParts(sheet, shared, "sheets/guests.xml")));
        QCOMPARE(cellsOf(XlsxReader::read(path)), (Rows{{"姓名", "电话", "备注"},
                                                        {"张三 ", "13812345678"},
                                                        {"李四😀&𠀀", "13912345678", "2.5"},
                                                        {"王五", "", "TRUE"}}));
    }

    // Catches a wrong guess of the encoding (GBK read as UTF-8 or the reverse, Big5 read as GBK,
    // UTF-16 without a byte-order mark called no text table, a byte-order mark kept in the first
    // heading) and a character outside the basic plane lost or split.
    void csvEncodingsAreDetected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("detected");
        QTest::addColumn<Rows>("rows");
        const QString text = QStringLiteral("姓名,性别,电话\r\n张三,男,13812345678\r\n欧阳𠀀娜娜,女,\r\n");
        const Rows rows{{"姓名", "性别", "电话"}, {"张三", "男", "13812345678"}, {"欧阳𠀀娜娜", "女"}};
        const auto encoded = [](const QString& t, const char* encoding) {
            QStringEncoder encoder(encoding);
            return QByteArray(encoder.encode(t));
        };
        QTest::newRow("UTF-8") << text.toUtf8() << TextEncoding::Utf8 << rows;
        QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8() << TextEncoding::Utf8 << rows;
        QTest::newRow("GBK") << gbk(text) << TextEncoding::Gb18030 << rows;
        QTest::newRow("UTF-16LE") << encoded(text, "UTF-16LE") << TextEncoding::Utf16Le << rows;
        QTest::newRow("UTF-16BE") << encoded(text, "UTF-16BE") << TextEncoding::Utf16Be << rows;
        const QString traditional = QStringLiteral("姓名,性別,關係\r\n張偉,男,同學\r\n陳麗華,女,朋友\r\n");
        QTest::newRow("Big5") << encoded(traditional, "Big5") << TextEncoding::Big5
                              << Rows{{"姓名", "性別", "關係"},
                                      {"張偉", "男", "同學"},
                                      {"陳麗華", "女", "朋友"}};
    }

    void csvEncodingsAreDetected()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, detected);
        QFETCH(Rows, rows);
        QCOMPARE(CsvReader::detectEncoding(bytes), detected);
        QCOMPARE(cellsOf(CsvReader::parse(bytes, detected, "名单.csv")), rows);
        QTemporaryDir dir; // the same through the file, as the import button reads it
        const Result<ImportSource> source = ImportSource::open(writeFile(dir.filePath("名单.csv"), bytes));
        QVERIFY2(source.isOk(), qPrintable(source.error()));
        QCOMPARE(source.value().encoding(), detected);
        QCOMPARE(source.value().undecodableLine(), 0);
        QCOMPARE(source.value().table().rowCount(), rows.size());
    }

    // Catches headings matched wrongly (spaces and colons around them, two contact columns), sexes
    // not normalised, a title above the headings taken for a guest or for a
    // row without name, rows without a name (or only spaces) imported or not reported, and duplicates
    // (in the list or earlier in the file) not counted, or still written when they are to be skipped.
    void importIsPlannedFromTheHeadings()
    {
        const SheetTable table =
            csv("序号,宾客 姓名,性    别：,单位,手机,电话,备注,关系\n"
                "1, 张三 ,M,某公司,138,010-1,, 同事 \n2,李四,female,,,,素食,\n3,王五,未知\n");
        QCOMPARE(ImportPlan::build(table, GuestColumns::guess(table), {}).accepted(true),
                 (Guests{G{"张三", "男", "同事", "某公司", "138 010-1"}, G{"李四", "女", "", "", "", "素食"},
                         G{"王五"}}));

        const SheetTable titled =
            csv("张李婚宴宾客名单\n姓名,备注\n张三,a\n,no name\n李四,b\n  ,blank name\n张三,again\n王五,c\n");
        const ImportPlan plan = ImportPlan::build(titled, GuestColumns::guess(titled), {"李四"});
        QCOMPARE(plan.linesWithoutName, (QList<int>{4, 6}));
        QCOMPARE(plan.duplicates, 2);
        QCOMPARE(plan.accepted(false),
                 (Guests{G{"张三", "", "", "", "", "a"}, G{"王五", "", "", "", "", "c"}}));
        QCOMPARE(plan.accepted(true).size(), 4);
    }

    // Catches a half-written import when the database refuses a row, and a save time other than the
    // import's. (Style, order and text of what is added: the export round trip.)
    void importWritesAllRowsInOneTransaction()
    {
        TestDatabase db;
        db.addStyle(1, "婚礼", 0, 2);
        CardStore store(db.path());
        GuestTransferStore transfer(store);
        const QDateTime at(QDate(2026, 5, 20), QTime(13, 14, 15));
        const Guests guests{G{"甲", "男", "同事", "某公司", "13812345678", "第一行\n第二行"},
                            G{"O'Brien \"乙\"", "", "", "", "", "😀𠀀"}};
        QVERIFY(transfer.addAll(1, guests, at).isOk());
        QCOMPARE(db.scalar("SELECT count(*) FROM Guests WHERE SaveTime = '2026-05-20 13:14:15'"),
                 QVariant(2));

        // A row the database refuses half-way: nothing of the import stays.
        const QString before = db.snapshot();
        const Status refused = transfer.addAll(1, {guests.at(0), G{"丙", "X"}, guests.at(1)}, at);
        QVERIFY2(refused.error().contains("Date_D.dat"), qPrintable(refused.error()));
        QCOMPARE(db.snapshot(), before);
    }

    // Catches a bad file that crashes, opens the import window or writes anything, and a refusal
    // without a message that names the file and what is wrong with it.
    void badFilesGiveAMessageAndWriteNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::addColumn<qint64>("partLimit"); // 0: through the import button's action
        const auto addBadFile = [](const char* tag, const QString& fileName, const QByteArray& bytes,
                                   const QString& says, qint64 partLimit = 0) {
            QTest::newRow(tag) << fileName << bytes << says << partLimit;
        };
        const QByteArray good = workbook({{"姓名"}, {"张三"}, {"李四"}});
        const QByteArray image = QByteArray::fromHex("89504e470d0a1a0a") + QByteArray(500, 'x');
        const QString xlsx = QStringLiteral("名单.xlsx");
        addBadFile("empty file", xlsx, {}, "是空的");
        addBadFile("image named .xlsx", "照片.xlsx", image, "不是 Excel 工作簿");
        addBadFile("truncated zip", xlsx, good.left(good.size() / 2), "无法读取");
        addBadFile("missing sheet", xlsx, zip(workbookParts("", "", "")), "找不到第一张工作表");
        // A real bomb would take seconds to inflate up to the default limit; this one meets a smaller one.
        addBadFile("zip bomb", xlsx, zip(workbookParts(QByteArray(8 << 20, ' '))), "过大", 1 << 20);
        addBadFile("mixed encodings", "名单.csv",
                   QStringLiteral("姓名,关系\n张三,同事\n").toUtf8() + gbk("李四,朋友\n"),
                   "混有两种文字编码：第1行是 UTF-8，第3行不是");
        addBadFile("unclosed quote", "名单.csv", "姓名\n张三\n\"李四,\n王五\n", "第3行的引号没有配对");
        // A cell of 2 MB froze the window for minutes; it is refused where it is.
        const QByteArray huge(2 << 20, 'x');
        addBadFile("huge CSV cell", "名单.csv", "姓名,备注\n张三,短\n李四,\"" + huge + "\"\n",
                   "第3行第2列的内容超过 1 MB");
        addBadFile("huge shared string", xlsx,
                   zip(workbookParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                                     "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>0</v></c><c r=\"C4\" t=\"s\">"
                                     "<v>1</v></c></row>",
                                     "<si><t>姓名</t></si><si><t>" + huge + "</t></si>")),
                   "第4行第3列的内容超过 1 MB");
    }

    void badFilesGiveAMessageAndWriteNothing()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        QFETCH(qint64, partLimit);
        Fixture f(2);
        const QString before = f.t.db.snapshot();
        f.t.files.openAnswer = writeFile(f.t.db.dir() + "/" + fileName, bytes);
        QString message;
        if (partLimit > 0) {
            message = XlsxReader::read(f.t.files.openAnswer, partLimit).error();
        } else {
            QVERIFY(!withImportWindow([&] { GuestListTransfer::importGuests(f.t.session, nullptr); },
                                      [](w_ImportGuests&) {}));
            QCOMPARE(f.t.messages.count(), 1);
            message = f.t.messages.last().text;
        }
        QVERIFY2(message.contains(says) && message.contains(fileName), qPrintable(message));
        QCOMPARE(f.t.db.snapshot(), before);
    }

    // Catches a wrong encoding guess, heading match, preview line, count or warning; a changed match
    // or duplicate choice not reaching what is written; guests added out of file order, or not shown
    // in the guest list afterwards.
    void importWindowMatchesPreviewsAndAddsInFileOrder()
    {
        Fixture f(0);
        f.t.db.exec("INSERT INTO Guests (ListID, Name) VALUES (1, '张三')");
        f.t.files.openAnswer =
            writeFile(f.t.db.dir() + "/名单.csv", gbk("宾客,性别,电话,备注\r\n李四,女,13812345678,素食\r\n"
                                                      "张三,男,,\r\n,,010-1,无名\r\n王五,M,,\r\n"));
        f.openWindow();
        QVERIFY(f.importThroughWindow([&](w_ImportGuests& w) {
            QCOMPARE(child<QComboBox>(w, "Combo_Encoding")->currentText() +
                         child<QComboBox>(w, "Combo_Column1")->currentText(),
                     QStringLiteral("GBK/GB18030宾客姓名"));
            QCOMPARE(child<QAbstractItemView>(w, "DG_Preview")->model()->index(2, 0).data(), QVariant("4"));
            QVERIFY(labelText(w, "L_Count").startsWith("将导入 2 位宾客"));
            const QString warnings = labelText(w, "L_Warnings");
            QVERIFY(warnings.contains("有 1 行没有姓名（第 4 行）") &&
                    warnings.contains("有 1 位宾客的姓名已在名单中"));

            // The remark column is left out and the repeated name is taken after all.
            auto* remark = child<QComboBox>(w, "Combo_Column4");
            remark->setCurrentIndex(remark->findText("不导入"));
            emit remark->activated(remark->currentIndex());
            click(w, "O_ImportDuplicates");
            click(w, "Cmd_Import");
        }));
        QCOMPARE(f.t.messages.last().text, QStringLiteral("已导入 3 位宾客。跳过了 1 行。"));
        QCOMPARE(
            GuestTransferStore(f.t.store).guests(1).value(),
            (Guests{G{"张三"}, G{"李四", "女", "", "", "13812345678"}, G{"张三", "男"}, G{"王五", "男"}}));
        QCOMPARE(child<QAbstractItemView>(*f.window, "DG_Edit")->model()->rowCount(), 4);
    }

    // Catches text the detected encoding cannot read imported as "�" without a word, and an import
    // that stays impossible after the user has chosen the encoding.
    void unreadableTextKeepsImportOffUntilTheUserChooses()
    {
        Fixture f(0);
        f.t.files.openAnswer =
            writeFile(f.t.db.dir() + "/名单.csv",
                      gbk("姓名,备注\r\n张三,素食\r\n") + "\xA1\x20,\x81\r\n" + gbk("李四,\r\n"));
        f.openWindow();
        QVERIFY(f.importThroughWindow([&](w_ImportGuests& w) {
            auto* encoding = child<QComboBox>(w, "Combo_Encoding");
            QCOMPARE(encoding->currentText(), QStringLiteral("GBK/GB18030"));
            const QString warnings = labelText(w, "L_Warnings");
            QVERIFY2(warnings.contains("第 3 行有无法识别的文字"), qPrintable(warnings));
            QVERIFY(!child<QAbstractButton>(w, "Cmd_Import")->isEnabled());
            // The user confirms the encoding by choosing it.
            emit encoding->activated(encoding->currentIndex());
            QVERIFY(child<QAbstractButton>(w, "Cmd_Import")->isEnabled());
            click(w, "Cmd_Import");
        }));
        QCOMPARE(GuestTransferStore(f.t.store).guests(1).value().size(), 3);
    }

    // Catches a list read on the window's thread (a large file stopped the window for minutes), a
    // progress that cannot be cancelled, and a cancelled reading that still opens the import window,
    // says anything or writes anything.
    void readingRunsBesideTheWindowAndCanBeCancelled()
    {
        Fixture f(0);
        QByteArray text = "姓名,备注\n";
        for (int i = 0; i < 300000; ++i)
            text += "宾客" + QByteArray::number(i) + ",备注备注备注备注\n";
        f.t.files.openAnswer = writeFile(f.t.db.dir() + "/名单.csv", text);
        f.openWindow();
        const QString before = f.t.db.snapshot();
        BackgroundRead::setDialogDelayMs(0);
        int ticks = 0;
        QTimer tick; // the window's own timers keep running while the file is read
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(1);
        bool cancelled = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (progress && progress->objectName() == "ProgressRead" && ticks > 0) {
                poll.stop();
                cancelled = true;
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        });
        poll.start(1);
        QVERIFY(!f.importThroughWindow([](w_ImportGuests&) {}));
        BackgroundRead::setDialogDelayMs(400);
        QVERIFY(cancelled);
        QCOMPARE(f.t.messages.count(), 0);
        QCOMPARE(f.t.db.snapshot(), before);
    }

    // Catches a 人数 read wrongly from the ways lists write it, and one that is no whole number from
    // 1 up slipping in (it would print wrong on the card) instead of being named with its line.
    void attendingCells()
    {
        for (const auto& [cell, attending] :
             {std::pair{"2", 2}, std::pair{" 3人 ", 3}, std::pair{"４位", 4}, std::pair{"2.0", 2},
              std::pair{"", 1}, std::pair{"0", 0}, std::pair{"两位", 0}, std::pair{"-1", 0},
              std::pair{"1.5", 0}, std::pair{"10000", 0}}) { // 0: refused
            SheetTable table;
            table.appendRow(1, {QStringLiteral("姓名"), QStringLiteral("人数")});
            table.appendRow(2, {QStringLiteral("张三"), QString::fromUtf8(cell)});
            const ImportPlan plan = ImportPlan::build(table, GuestColumns::guess(table), {});
            const QString got = plan.badAttending.isEmpty()
                                    ? QString::number(plan.accepted(true).first().attending)
                                    : QStringLiteral("%1@%2")
                                          .arg(plan.badAttending.first().text)
                                          .arg(plan.badAttending.first().line);
            QCOMPARE(got, attending ? QString::number(attending) : QString::fromUtf8(cell).trimmed() + "@2");
        }
    }

    // Catches the new headings of a GBK list not recognised (称谓, 配偶/同行, 桌号, 人数), their values
    // not imported, and a file with a bad 人数 imported at all: the window names the lines, offers no
    // import, and the database stays as it was until the column is left out.
    void gbkListWithGuestFields()
    {
        Fixture f(0);
        f.t.files.openAnswer = writeFile(f.t.db.dir() + "/名单.csv",
                                         gbk("姓名,性别,称谓,配偶/同行,桌号,人数\r\n张伟,男,,李娜,8,2人\r\n"
                                             "王芳,女,教授,,主桌,\r\n"));
        f.openWindow();
        QVERIFY(f.importThroughWindow([&](w_ImportGuests& w) {
            QStringList matched;
            for (int column = 3; column <= 6; ++column)
                matched
                    << w.findChild<QComboBox*>(QStringLiteral("Combo_Column%1").arg(column))->currentText();
            QCOMPARE(matched, (QStringList{"称谓", "同行", "桌号", "人数"}));
            click(w, "Cmd_Import");
        }));
        Guests expected{G{"张伟", "男"}, G{"王芳", "女"}};
        expected[0].partner = "李娜";
        expected[0].table = "8";
        expected[0].attending = 2;
        expected[1].salutation = "教授";
        expected[1].table = "主桌";
        QCOMPARE(GuestTransferStore(f.t.store).guests(1).value(), expected);

        const QString before = f.t.db.snapshot();
        f.t.files.openAnswer =
            writeFile(f.t.db.dir() + "/名单2.csv", gbk("姓名,人数\r\n李四,两位\r\n赵六,1\r\n钱七,0\r\n"));
        QVERIFY(f.importThroughWindow([&](w_ImportGuests& w) {
            const QString warnings = labelText(w, "L_Warnings");
            QVERIFY2(warnings.contains("有 2 行的人数不是 1 以上的整数（第 2、4 行，如“两位”）"),
                     qPrintable(warnings));
            QVERIFY(!child<QAbstractButton>(w, "Cmd_Import")->isEnabled());
            click(w, "Cmd_Import");
            QCOMPARE(f.t.db.snapshot(), before);
            auto* attending = child<QComboBox>(w, "Combo_Column2");
            attending->setCurrentIndex(attending->findText("不导入"));
            emit attending->activated(attending->currentIndex());
            QVERIFY(child<QAbstractButton>(w, "Cmd_Import")->isEnabled());
        }));
        QCOMPARE(f.t.db.snapshot(), before);
    }

    // Catches an export that loses or alters a guest (commas, quotes, line breaks, emoji), writes
    // another style's guests, leaves out the byte-order mark Excel needs, or fails silently in a
    // folder it cannot write to.
    void exportThenImportGivesTheSameGuests()
    {
        Fixture f(0);
        f.t.db.addStyle(2, "寿宴", 0, 2);
        const Guests guests{
            G{"张三", "男", "同事", "某公司,销售部", "13812345678", "说\"你好\"", "教授", "李娜", "8", 2},
            G{"李四", "", "朋友", "", "+86 139", "第一行\r\n第二行"}, G{"王五😀𠀀", "女"}};
        QVERIFY(GuestTransferStore(f.t.store).addAll(1, guests, QDateTime::currentDateTime()).isOk());
        f.openWindow();
        f.t.files.saveAnswer = f.t.db.dir() + "/导出"; // the .csv is added
        click(*f.window, "Cmd_Export");
        const Result<ImportSource> back = ImportSource::open(f.t.files.saveAnswer + ".csv");
        QVERIFY2(back.isOk() && back.value().encodingFixed(), qPrintable(back.error()));
        const SheetTable& table = back.value().table();
        // The six headings of older lists come first, so older files and readers still match.
        QCOMPARE(table.cells(0), (QStringList{"宾客姓名", "性别", "关系", "职业", "联系方式", "备注", "称谓",
                                              "同行", "桌号", "人数"}));
        QCOMPARE(ImportPlan::build(table, GuestColumns::guess(table), {}).accepted(true), guests);

        f.t.files.saveAnswer = "/proc/名单.csv"; // a folder nobody may write to, not even root
        click(*f.window, "Cmd_Export");
        QVERIFY(f.t.messages.lastSays("无法保存文件"));

        // A pipe is written into by no rename: it stays a pipe.
        f.t.files.saveAnswer = f.t.db.dir() + "/管道.csv";
        QCOMPARE(::mkfifo(f.t.files.saveAnswer.toLocal8Bit(), 0666), 0);
        click(*f.window, "Cmd_Export");
        QVERIFY(f.t.messages.lastSays("不是普通文件"));
        QVERIFY(QFileInfo(f.t.files.saveAnswer).exists() && !QFileInfo(f.t.files.saveAnswer).isFile());
    }
};

QTEST_MAIN(tst_guest_import)
#include "tst_guest_import.moc"
