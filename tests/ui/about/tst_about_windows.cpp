// The help window: the delivered help, a missing file, another document in its place, unusable files.
#include "core/help/HelpFile.h"
#include "support/TestSession.h"
#include "ui/about/w_Help.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// Runs a test inside its own empty working folder and goes back afterwards.
class WorkingFolder
{
public:
    WorkingFolder() : m_previous(QDir::currentPath())
    {
        if (!m_dir.isValid() || !QDir::setCurrent(m_dir.path()))
            qFatal("cannot enter a temporary folder");
    }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }

    QString helpPath() const { return m_dir.filePath(HelpFile::fileName()); }
    // Writes the help file; a larger `size` makes it sparse up to that size.
    void writeHelp(const QByteArray& content, qint64 size = 0) const
    {
        QFile file(helpPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            (size > 0 && !file.resize(size)))
            qFatal("cannot write the help file");
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

QString shownText(TestSession& t)
{
    w_Help help(t.session);
    return help.findChild<QTextEdit*>(u"RTB"_s)->toPlainText();
}

} // namespace

class tst_about_windows : public QObject
{
    Q_OBJECT

private slots:
    // The help is read from the current folder: nothing there, or a folder of that name, is "missing"
    // without an error box; the delivered help reads whole (Chinese text from GBK bytes, every topic;
    // bold and headings are the reader's own test); another document put there is shown in its place.
    void showsWhateverTheFolderHolds()
    {
        TestSession t;
        WorkingFolder folder;
        const QString missing = u"帮助文件丢失，无法加载。"_s;
        QCOMPARE(shownText(t), missing);
        QVERIFY(QDir().mkdir(HelpFile::fileName()));
        QCOMPARE(shownText(t), missing);
        QVERIFY(QDir().rmdir(HelpFile::fileName()));

        QFile delivered(QStringLiteral(FENNICK_SOURCE_DIR "/data/Date_T.dat"));
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        folder.writeHelp(delivered.readAll());
        w_Help help(t.session);
        const QTextDocument* document = help.findChild<QTextEdit*>(u"RTB"_s)->document();
        QCOMPARE(document->begin().text(), u"Zanbor Fennick 使用说明"_s);
        QVERIFY(!document->toPlainText().contains(QChar(QChar::ReplacementCharacter)));
        for (const char* topic : {"打印机与纸张", "试印一张", "打印机校准", "清除校准", "快照", "Date_D备份",
                                  "“备份与恢复...”", "恢复(R)", "恢复快照前", "30 个"})
            QVERIFY2(document->toPlainText().contains(QString::fromUtf8(topic)), topic);

        folder.writeHelp("{\\rtf1\\ansicpg936 {\\b \\'d0\\'c2\\'b5\\'c4\\'b0\\'ef\\'d6\\'fa}\\par second}");
        QCOMPARE(shownText(t), u"新的帮助\nsecond"_s);
        QVERIFY(t.messages.shown().isEmpty());
    }

    // A damaged, binary, empty or huge help file shows a message naming it (with what could be read),
    // never a crash, a hang or a message box.
    void unusableFilesGiveAClearMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("alsoShown");
        auto row = [](const char* name, const QByteArray& content, const QString& alsoShown,
                      qint64 size = 0) { QTest::newRow(name) << content << size << alsoShown; };
        row("cut off", "{\\rtf1\\ansi\\ansicpg936 {\\b \\'b0\\'ef\\'d6\\'fa}\\par first part",
            "帮助\nfirst part");
        row("binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "不是 RTF 格式的文档，无法加载。");
        row("huge", "{\\rtf1 ", "过大", 2LL * 1024 * 1024 * 1024); // sparse: costs no disk space
    }

    void unusableFilesGiveAClearMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        QFETCH(QString, alsoShown);
        TestSession t;
        WorkingFolder folder;
        folder.writeHelp(content, size);
        const QString text = shownText(t);
        QVERIFY2(text.startsWith(u"帮助文件“"_s + QDir::toNativeSeparators(folder.helpPath())),
                 qPrintable(text));
        QVERIFY2(text.contains(alsoShown), qPrintable(text));
        QVERIFY(t.messages.shown().isEmpty());
    }
};

QTEST_MAIN(tst_about_windows)
#include "tst_about_windows.moc"
