// Start-up: finding the data file, the CJK faces behind Windows names, and the heap that keeps the
// memory of one page for the next.
#include "core/app/AllocatorTuning.h"
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

#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

    // Catches a tuning that never reaches the allocator (the PDF writer's 16 MiB page buffers then
    // come from fresh mappings, or the heap is given back after every page and faulted in again).
    void pageSizedBlocksStayInTheHeapOnceFreed()
    {
#ifndef __GLIBC__
        QSKIP("the allocator is tuned only where the C library is glibc");
#else
        tuneAllocatorForPages();
        const size_t size = 16 * 1024 * 1024;
        const size_t mappedBefore = mallinfo2().hblkhd;
        char* block = static_cast<char*>(std::malloc(size));
        QVERIFY(block);
        std::memset(block, 1, size);
        const struct mallinfo2 withBlock = mallinfo2();
        std::free(block);
        QCOMPARE(withBlock.hblkhd, mappedBefore);     // taken from the heap, not mapped on its own
        QCOMPARE(mallinfo2().arena, withBlock.arena); // and the heap did not shrink when it was freed
#endif
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
