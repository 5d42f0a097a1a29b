// Start-up: finding the data file, the connection path, and the CJK faces behind Windows names.
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "support/ScriptedMessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

class tst_startup : public QObject
{
    Q_OBJECT

private slots:
    // Catches a directory, a dangling link or a missing file taken for the data file.
    void dataFileMustBeARegularFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
        QVERIFY(!Startup::isOrdinaryFile(path)); // missing

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Date_D.dat")));
        QVERIFY(!Startup::isOrdinaryFile(path)); // a directory is no data file
        QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("Date_D.dat")));

        const QString real = dir.filePath(QStringLiteral("real.dat"));
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(Startup::isOrdinaryFile(real)); // even an empty file is present

        QVERIFY(QFile::link(real, path));
        QVERIFY(Startup::isOrdinaryFile(path)); // a link to a file counts
        QVERIFY(QFile::remove(real));
        QVERIFY(!Startup::isOrdinaryFile(path)); // a dangling link does not
    }

    // Catches a program that starts without its data file, or finds one elsewhere than in the
    // directory that is current at start.
    void startsOnlyWithTheDataFileOfTheCurrentDirectory()
    {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        SharedState state;
        ScriptedMessages messages;

        QVERIFY(!Startup::locateDataFile(state, messages));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(messages.last().title, QStringLiteral("关键性错误"));
        QCOMPARE(messages.last().text, QStringLiteral("数据文件丢失，程序无法启动。"));

        QFile file(dir.filePath(QStringLiteral("Date_D.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly)); // present, even if empty: the check is the store's
        file.close();
        messages.clear();
        QVERIFY(Startup::locateDataFile(state, messages));
        QCOMPARE(messages.count(), 0);
        QCOMPARE(QFileInfo(state.DbConnectionString), QFileInfo(file));
        QVERIFY(QDir::setCurrent(before));
    }

    void windowsFaceNamesGetChineseGlyphs()
    {
        Startup::installFontSubstitutions();
        for (const char* face : {"宋体", "微软雅黑", "黑体", "楷体", "仿宋", "新宋体"}) {
            const QFont font(QString::fromUtf8(face), 12);
            const QFontInfo info(font);
            QVERIFY2(info.family().contains(QStringLiteral("CJK")), qPrintable(info.family()));
            const QFontMetrics metrics(font);
            QVERIFY(metrics.inFont(QChar(0x8BF7))); // 请
        }
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
