// The command-line exporter run as a program: its arguments, exit status and one-line messages, the
// pages it writes, and that a failed run writes nothing and leaves the database as it was.
#include "support/TestDatabase.h"
#include "ExportFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program must do without a screen on its own
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(FENNICK_EXPORT_BIN), args);
    if (!process.waitForFinished(60000))
        return {};
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromUtf8(process.readAllStandardOutput()),
               QString::fromUtf8(process.readAllStandardError())};
}

bool isOneLine(const QString& text)
{
    return !text.trimmed().isEmpty() && !text.trimmed().contains(QLatin1Char('\n'));
}

} // namespace

class tst_fennick_export : public QObject
{
    Q_OBJECT

private slots:
    void writesEveryCardOfTheStyle()
    {
        TestDatabase db;
        addExportStyle(db, 3, QStringLiteral("婚宴"),
                       {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("刘洋")});
        QTemporaryDir out;

        const QString byName = out.filePath(QStringLiteral("by-name.pdf"));
        Run run =
            exporter({QStringLiteral("--db"), db.path(), QStringLiteral("--style"), QStringLiteral("婚宴"),
                      QStringLiteral("--out"), byName, QStringLiteral("--paper"), QStringLiteral("a6")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.err.isEmpty());
        QCOMPARE(pageCount(byName), 3);
        const QSizeF a6 = pageSizeMm(byName); // the printer may round the paper to whole points
        QVERIFY2(qAbs(a6.width() - 105) < 0.5 && qAbs(a6.height() - 148) < 0.5, qPrintable(pdfInfo(byName)));
        const QStringList names{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("刘洋")};
        for (int page = 1; page <= 3; ++page)
            QCOMPARE(findWord(pageWords(byName, page), names[page - 1]).text, names[page - 1]);

        // By number, with the default printer's paper, in the --key=value form.
        const QString byNumber = out.filePath(QStringLiteral("by-number.pdf"));
        run = exporter({QStringLiteral("--db=") + db.path(), QStringLiteral("--style=3"),
                        QStringLiteral("--out=") + byNumber});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(pageCount(byNumber), 3);
    }

    void argumentsAndHelp()
    {
        const Run help = exporter({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("--db PATH")) &&
                help.out.contains(QStringLiteral("--paper")));

        const QList<QStringList> bad{
            {},
            {QStringLiteral("--db"), QStringLiteral("x.dat"), QStringLiteral("--style"), QStringLiteral("a")},
            {QStringLiteral("--db"), QStringLiteral("x.dat"), QStringLiteral("--style"), QStringLiteral("a"),
             QStringLiteral("--out"), QStringLiteral("a.pdf"), QStringLiteral("--paper"),
             QStringLiteral("A3")},
            {QStringLiteral("--db"), QStringLiteral("x.dat"), QStringLiteral("--colour")},
            {QStringLiteral("--db")},
            {QStringLiteral("--db="), QStringLiteral("--style"), QStringLiteral("a"), QStringLiteral("--out"),
             QStringLiteral("a.pdf")},
        };
        for (const QStringList& args : bad) {
            const Run run = exporter(args);
            QVERIFY2(run.exitCode == 2, qPrintable(args.join(' ')));
            QVERIFY2(isOneLine(run.err), qPrintable(run.err));
            QVERIFY(run.err.startsWith(QStringLiteral("fennick-export: ")));
        }
    }

    void failuresWriteNothing()
    {
        TestDatabase db;
        addExportStyle(db, 1, QStringLiteral("婚宴"), {QStringLiteral("张三")});
        db.addStyle(2, QStringLiteral("无标签"), 0, 3);
        db.addStyle(3, QStringLiteral("无宾客"), 2, 0);
        const QString before = db.snapshot();
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("cards.pdf"));
        const QString junk = out.filePath(QStringLiteral("junk.dat"));
        {
            QFile f(junk);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("this is not a card database, only some text that fills the header.");
        }
        // Root may write into a read-only folder; nobody writes into /proc.
        const QString readOnly =
            geteuid() == 0 ? QStringLiteral("/proc/cards.pdf") : QStringLiteral("/cards.pdf");

        const struct
        {
            QString db;
            QString style;
            QString out;
            QString says;
        } cases[] = {
            {out.filePath(QStringLiteral("none.dat")), QStringLiteral("婚宴"), pdf, QStringLiteral("不存在")},
            {junk, QStringLiteral("婚宴"), pdf, QStringLiteral("不是有效的数据库")},
            {db.path(), QStringLiteral("寿宴"), pdf, QStringLiteral("没有名称或编号为“寿宴”")},
            {db.path(), QStringLiteral("无标签"), pdf, QStringLiteral("还没有任何标签")},
            {db.path(), QStringLiteral("无宾客"), pdf, QStringLiteral("还没有任何宾客")},
            {db.path(), QStringLiteral("婚宴"), out.filePath(QStringLiteral("no/cards.pdf")),
             QStringLiteral("不存在")},
            {db.path(), QStringLiteral("婚宴"), readOnly, QStringLiteral("")},
            {db.path(), QStringLiteral("婚宴"), db.path(), QStringLiteral("不能是数据文件")},
        };
        for (const auto& c : cases) {
            const Run run = exporter({QStringLiteral("--db"), c.db, QStringLiteral("--style"), c.style,
                                      QStringLiteral("--out"), c.out});
            QVERIFY2(run.exitCode == 1,
                     qPrintable(c.style + QLatin1Char(' ') + c.out + QLatin1Char(' ') + run.err));
            QVERIFY2(isOneLine(run.err), qPrintable(run.err));
            QVERIFY2(run.err.contains(c.says), qPrintable(run.err));
            QVERIFY(!QFile::exists(pdf));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("junk.dat")});
        QVERIFY(!QFile::exists(readOnly));
        QCOMPARE(db.snapshot(), before);
    }
};

QTEST_MAIN(tst_fennick_export)
#include "tst_fennick_export.moc"
