// Start-up: finding the data file in the current folder, and the CJK faces behind Windows names.
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "support/ScriptedMessages.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_startup : public QObject
{
    Q_OBJECT

private slots:
    void startsOnlyWithAFileInTheCurrentFolder_data()
    {
        QTest::addColumn<QString>("there"); // what the current folder holds under the data file's name
        QTest::addColumn<bool>("starts");
        QTest::newRow("nothing") << u""_s << false;
        QTest::newRow("a folder") << u"folder"_s << false;
        QTest::newRow("an empty file") << u"file"_s << true; // whether it is a database is the store's check
        QTest::newRow("a link to a file") << u"link"_s << true;
        QTest::newRow("a dangling link") << u"dangling"_s << false;
    }

    // Catches a program that starts without its data file (a folder or a dangling link taken for
    // it), refuses a file that is there, or looks elsewhere than in the folder current at start.
    void startsOnlyWithAFileInTheCurrentFolder()
    {
        QFETCH(QString, there);
        QFETCH(bool, starts);
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        QFile real(u"real.dat"_s);
        QVERIFY(real.open(QIODevice::WriteOnly));
        real.close();
        if (there == u"folder")
            QVERIFY(QDir().mkdir(u"Date_D.dat"_s));
        else if (there == u"file")
            QVERIFY(real.rename(u"Date_D.dat"_s));
        else if (!there.isEmpty())
            QVERIFY(QFile::link(dir.filePath(u"real.dat"_s), u"Date_D.dat"_s));
        if (there == u"dangling")
            QVERIFY(real.remove());

        SharedState state;
        ScriptedMessages messages;
        QCOMPARE(Startup::locateDataFile(state, messages), starts);
        QCOMPARE(messages.count(), starts ? 0 : 1);
        if (!starts) {
            QCOMPARE(messages.last().kind, ShownMessage::Kind::Critical);
            QCOMPARE(messages.last().title + u": "_s + messages.last().text,
                     u"关键性错误: 数据文件丢失，程序无法启动。"_s);
        }
    }

    // Catches a Windows face name (as stored labels carry them) drawn without Chinese glyphs.
    void windowsFaceNamesGetChineseGlyphs()
    {
        Startup::installFontSubstitutions();
        for (const char* face : {"宋体", "微软雅黑", "黑体", "楷体", "仿宋", "新宋体"}) {
            const QFont font(QString::fromUtf8(face), 12);
            QVERIFY2(QFontInfo(font).family().contains(u"CJK"_s), qPrintable(QFontInfo(font).family()));
            QVERIFY(QFontMetrics(font).inFont(QChar(0x8BF7))); // 请
        }
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
