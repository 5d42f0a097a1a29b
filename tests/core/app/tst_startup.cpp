// Start-up: finding the data file in the current folder, the CJK faces behind Windows names, Qt's
// own Chinese texts, and the heap that keeps the memory of one page for the next.
#include "core/app/AllocatorTuning.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "support/ScriptedMessages.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

    // Catches a Kai or Song design printed in a Hei face (or the reverse), and a name that falls
    // to a face without Chinese glyphs.
    void windowsFaceNamesGetTheirKindOfFace_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<QString>("printed");
        const QString song = u"Noto Serif CJK SC"_s, hei = u"Noto Sans CJK SC"_s, kai = u"AR PL UKai CN"_s;
        for (const char* name : {"宋体", "SimSun", "新宋体", "仿宋", "FangSong", "仿宋_GB2312"})
            QTest::newRow(name) << QString::fromUtf8(name) << song; // no free FangSong: its kin
        for (const char* name : {"楷体", "KaiTi", "楷体_GB2312", "KaiTi_GB2312"})
            QTest::newRow(name) << QString::fromUtf8(name) << kai;
        for (const char* name : {"微软雅黑", "Microsoft YaHei", "黑体", "SimHei"})
            QTest::newRow(name) << QString::fromUtf8(name) << hei;
    }

    void windowsFaceNamesGetTheirKindOfFace()
    {
        QFETCH(QString, face);
        QFETCH(QString, printed);
        Startup::installFontSubstitutions();
        const QFont font(face, 12);
        QCOMPARE(QFontInfo(font).family(), printed);
        QVERIFY(QFontMetrics(font).inFont(QChar(0x8BF7))); // 请
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

    // Catches standard dialogs left in English in an all-Chinese program: once start-up has loaded
    // Qt's own translations, a file dialog's buttons and labels are Chinese.
    void qtsOwnDialogsSpeakChinese()
    {
        QVERIFY(Startup::installQtTranslations());
        QFileDialog dialog(nullptr, u"导出PDF"_s);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), u"取消"_s);
        QCOMPARE(buttons->button(QDialogButtonBox::Save)->text(), u"保存(&S)"_s);
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
