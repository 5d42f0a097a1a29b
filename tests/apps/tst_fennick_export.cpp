// The command-line exporter run as a program: its arguments, exit status and one-line messages, and
// the pages it writes; a refused run writes nothing and leaves the database as it was.
#include "ExportFixture.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run exporter(const QStringList& args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the program must do without a screen on its own
    env.remove("DISPLAY");
    process.setProcessEnvironment(env);
    process.start(FENNICK_EXPORT_BIN, args);
    if (!process.waitForFinished(60000))
        return {};
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromUtf8(process.readAllStandardOutput()),
               QString::fromUtf8(process.readAllStandardError())};
}

QStringList args(const QString& db, const QString& style, const QString& out)
{
    return {"--db", db, "--style", style, "--out", out};
}

} // namespace

class tst_fennick_export : public QObject
{
    Q_OBJECT

private slots:
    // Catches a wrong exit status, an error of several lines or none, a refused run that still writes
    // a file (or leaves a partial one behind) or changes the database, and in the run that writes, a
    // missing or repeated card, guests out of order and the paper choice ignored.
    void argumentsExitStatusAndErrors_data()
    {
        QTest::addColumn<QStringList>("arguments"); // @db, @dir: the database and an empty folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // in the one-line error, or in the output on success
        QTest::addColumn<int>("pages");    // of @dir/cards.pdf; 0: no file
        const QString pdf = "@dir/cards.pdf";
        const auto row = [](const char* tag, const QStringList& arguments, int exitCode, const char* says,
                            int pages = 0) {
            QTest::newRow(tag) << arguments << exitCode << QString(says) << pages;
        };
        row("help", {"--help"}, 0, "--db PATH");
        row("style 1, --key=value, A6", {"--db=@db", "--style=1", "--out=" + pdf, "--paper=a6"}, 0, "", 3);
        row("no --out", {"--db", "@db", "--style", "1"}, 2, "fennick-export: ");
        row("unknown paper", args("@db", "1", pdf) + QStringList{"--paper", "A3"}, 2, "fennick-export: ");
        row("unknown option", args("@db", "1", pdf) + QStringList{"--colour"}, 2, "fennick-export: ");
        row("unknown printer", args("@db", "1", pdf) + QStringList{"--printer", "没有这台"}, 2,
            "没有名为“没有这台”的打印机");
        row("empty value", {"--db=", "--style", "1", "--out", pdf}, 2, "fennick-export: ");
        row("missing database", args("@dir/none.dat", "婚宴", pdf), 1, "不存在");
        row("not a database", args("@dir/junk.dat", "婚宴", pdf), 1, "不是有效的数据库");
        row("unknown style", args("@db", "寿宴", pdf), 1, "没有名称或编号为“寿宴”");
        row("style without labels", args("@db", "无标签", pdf), 1, "还没有任何标签");
        row("style without guests", args("@db", "无宾客", pdf), 1, "还没有任何宾客");
        row("missing folder", args("@db", "婚宴", "@dir/no/cards.pdf"), 1, "不存在");
        row("output over the database", args("@db", "婚宴", "@db"), 1, "不能是数据文件");
    }

    void argumentsExitStatusAndErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(int, pages);
        TestDatabase db;
        const QStringList guests{"张三", "李四", "刘洋"};
        addExportStyle(db, 1, "婚宴", guests);
        db.addStyle(2, "无标签", 0, 3);
        db.addStyle(3, "无宾客", 2, 0);
        const QString before = db.snapshot();
        QTemporaryDir dir;
        QFile junk(dir.filePath("junk.dat"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a card database, only text") > 0);
        junk.close();
        for (QString& argument : arguments)
            argument.replace("@db", db.path()).replace("@dir", dir.path());

        const Run run = exporter(arguments);
        QVERIFY2(run.exitCode == exitCode, qPrintable(arguments.join(' ') + "\n" + run.err));
        QVERIFY2((exitCode == 0 ? run.out : run.err).contains(says), qPrintable(run.err));
        if (exitCode != 0)
            QVERIFY2(!run.err.trimmed().isEmpty() && !run.err.trimmed().contains('\n'), qPrintable(run.err));
        const QString pdf = dir.filePath("cards.pdf");
        QCOMPARE(QFile::exists(pdf) ? pageCount(pdf) : 0, pages);
        for (int page = 1; page <= pages; ++page)
            QCOMPARE(findWord(pageWords(pdf, page), guests[page - 1]).text, guests[page - 1]);
        if (pages > 0) { // the printer may round the paper to whole points
            const QSizeF a6 = pageSizeMm(pdf);
            QVERIFY2(qAbs(a6.width() - 105) < 0.5 && qAbs(a6.height() - 148) < 0.5, qPrintable(pdfInfo(pdf)));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), pages > 0 ? 2 : 1); // nothing partial
        QCOMPARE(db.snapshot(), before);
    }

    // Catches labels the exporter cannot draw (at 1e308 mm, at -1e308 mm, in a 10000-point font) and
    // names no font prints exported without a word, a long report without its count, and --strict
    // that still exits 0 or writes the file.
    void problemsAreReportedAndStrictRefuses()
    {
        TestDatabase db;
        QStringList guests{"张三"};
        for (int i = 0; i < 25; ++i)
            guests << QStringLiteral("李%1\uE000").arg(i);
        addExportStyle(db, 1, "婚宴", guests);
        db.exec(
            "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle) "
            "VALUES (1, '远', '远', 1e308, 5, '宋体', '12', '常规'), (1, '负', '负', -1e308, 5, '宋体', "
            "'12', "
            "'常规'), (1, '大', '大', 10, 10, '宋体', '10000', '常规')");
        const QString before = db.snapshot();
        QTemporaryDir out;
        const QString pdf = out.filePath("cards.pdf");
        Run run = exporter(args(db.path(), "婚宴", pdf));
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.err.trimmed().split('\n');
        QCOMPARE(lines.size(), 21);
        for (const char* label : {"标签“远”：位置", "标签“负”：位置", "标签“大”：字号 10000 磅"})
            QVERIFY2(run.err.contains(QString::fromUtf8(label)), qPrintable(run.err));
        QVERIFY2(lines.last().contains("另有 8 个问题没有列出（共 28 个）"), qPrintable(lines.last()));
        for (const QString& line : lines)
            QVERIFY2(line.startsWith("fennick-export: 问题: "), qPrintable(line));
        QCOMPARE(pageCount(pdf), 26);

        const QString strictPdf = out.filePath("strict.pdf");
        run = exporter(args(db.path(), "婚宴", strictPdf) + QStringList{"--strict"});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.trimmed().split('\n').last().contains("--strict"), qPrintable(run.err));
        QVERIFY(!QFile::exists(strictPdf));
        QCOMPARE(db.snapshot(), before);
    }

    // Catches the rename of the finished PDF over a device or a pipe, which replaced /dev/null with
    // a regular file when run as root.
    void devicesAndPipesAreNeverReplaced_data()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("pipe") << false;
        QTest::newRow("device") << true;
    }

    void devicesAndPipesAreNeverReplaced()
    {
        QFETCH(bool, device);
        if (device && ::geteuid() != 0)
            QSKIP("making a device node needs root");
        TestDatabase db;
        addExportStyle(db, 1, "婚宴", {"张三"});
        QTemporaryDir dir;
        const QString node = dir.filePath("cards.pdf");
        const QByteArray path = node.toLocal8Bit();
        QCOMPARE(device ? ::mknod(path, S_IFCHR | 0666, makedev(1, 3)) : ::mkfifo(path, 0666), 0);
        const Run run = exporter(args(db.path(), "婚宴", node));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("不是普通文件"), qPrintable(run.err));
        struct stat after
        {
        };
        QCOMPARE(::stat(path, &after), 0);
        QVERIFY(device ? S_ISCHR(after.st_mode) : S_ISFIFO(after.st_mode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 1); // nothing beside it
    }
};

QTEST_MAIN(tst_fennick_export)
#include "tst_fennick_export.moc"
