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
    // Catches a program that starts without its data file (a folder or a dangling link taken for
    // it), refuses a file that is there, or looks elsewhere than in the folder current at start.
    void startsOnlyWithAFileInTheCurrentFolder()
    {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        SharedState state;
        ScriptedMessages messages;
        const auto starts = [&] { return Startup::locateDataFile(state, messages); };
        QFile data(u"Date_D.dat"_s), real(dir.filePath(u"real.dat"_s));

        QVERIFY(!starts());
        QCOMPARE(messages.last().kind, ShownMessage::Kind::Critical);
        QCOMPARE(messages.last().title + u": "_s + messages.last().text,
                 u"关键性错误: 数据文件丢失，程序无法启动。"_s);
        QVERIFY(QDir().mkdir(data.fileName()));
        QVERIFY(!starts());
        QVERIFY(QDir().rmdir(data.fileName()));
        QVERIFY(data.open(QIODevice::WriteOnly) && real.open(QIODevice::WriteOnly));
        data.close();
        real.close();
        QVERIFY(starts()); // even empty: whether it is a database is the store's check
        QVERIFY(data.remove() && real.link(data.fileName()));
        QVERIFY(starts()); // a link to a file
        QVERIFY(real.remove());
        QVERIFY(!starts()); // a dangling link
        QCOMPARE(messages.count(), 3);
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
