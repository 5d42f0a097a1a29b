// The help window: the delivered help, a missing file, another document in its place, and files
// that are damaged, not rich text or far too large.
#include "about/HelpFile.h"
#include "about/w_Help.h"
#include "support/TestSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

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
    void writeHelp(const QByteArray& content) const
    {
        QFile file(helpPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write the help file");
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

QTextEdit* rtb(w_Help& help)
{
    return help.findChild<QTextEdit*>(QStringLiteral("RTB"));
}

QString shownText(TestSession& t)
{
    w_Help help(t.session);
    return rtb(help)->toPlainText();
}

} // namespace

class tst_w_help : public QObject
{
    Q_OBJECT

private slots:
    void showsTheDeliveredHelp()
    {
        TestSession t;
        WorkingFolder folder;
        QFile delivered(QStringLiteral(FENNICK_SOURCE_DIR "/data/Date_T.dat"));
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        folder.writeHelp(delivered.readAll());

        w_Help help(t.session);
        QCOMPARE(help.windowTitle(), QStringLiteral("帮助说明"));
        QTextEdit* box = rtb(help);
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->font().family(), QStringLiteral("宋体"));
        QCOMPARE(box->font().pointSizeF(), 10.5);

        const QTextDocument* document = box->document();
        QVERIFY(document->blockCount() > 40);
        const QTextBlock title = document->begin();
        QCOMPARE(title.text(), QStringLiteral("Zanbor Fennick 使用说明"));
        QVERIFY(title.begin().fragment().charFormat().fontWeight() >= QFont::Bold);
        // Headings are bold paragraphs; the text under them is not.
        int headings = 0;
        int body = 0;
        for (QTextBlock block = title.next(); block.isValid(); block = block.next()) {
            if (block.text().isEmpty())
                continue;
            const bool bold = block.begin().fragment().charFormat().fontWeight() >= QFont::Bold;
            headings += bold && block.text().contains(QStringLiteral("、"));
            body += !bold;
        }
        QVERIFY(headings >= 9);
        QVERIFY(body > 30);
        const QString text = document->toPlainText();
        for (const QString& topic :
             {QStringLiteral("新建请柬样式"), QStringLiteral("可打印区域的左上角"),
              QStringLiteral("标签整体移动"), QStringLiteral("宾客名单管理"), QStringLiteral("暂停打印(P)"),
              QStringLiteral("继续打印(P)"), QStringLiteral("指定打印(N)"), QStringLiteral("打印机出现问题")})
            QVERIFY2(text.contains(topic), qPrintable(topic));
        QVERIFY(!text.contains(QChar(QChar::ReplacementCharacter)));
        QVERIFY(t.messages.shown().isEmpty());
    }

    void missingFileIsNoError()
    {
        TestSession t;
        WorkingFolder folder;
        // The help is looked for in the current folder, not next to the program.
        QCOMPARE(shownText(t), QStringLiteral("帮助文件丢失，无法加载。"));
        // A folder of that name is no help file either.
        QVERIFY(QDir().mkdir(HelpFile::fileName()));
        QCOMPARE(shownText(t), QStringLiteral("帮助文件丢失，无法加载。"));
        QVERIFY(t.messages.shown().isEmpty());
    }

    void anotherDocumentReplacesTheHelp()
    {
        TestSession t;
        WorkingFolder folder;
        folder.writeHelp(
            "{\\rtf1\\ansi\\ansicpg936 {\\b \\'d0\\'c2\\'b5\\'c4\\'b0\\'ef\\'d6\\'fa}\\par second}");
        w_Help help(t.session);
        const QTextDocument* document = rtb(help)->document();
        QCOMPARE(document->toPlainText(), QStringLiteral("新的帮助\nsecond"));
        QVERIFY(document->begin().begin().fragment().charFormat().fontWeight() >= QFont::Bold);
    }

    void unusableFilesGiveAClearMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shownStart");
        QTest::addColumn<QString>("alsoShown");

        QTest::newRow("cut off")
            << QByteArray("{\\rtf1\\ansi\\ansicpg936 {\\b \\'b0\\'ef\\'d6\\'fa}\\par first part")
            << QStringLiteral("帮助文件“") << QStringLiteral("帮助\nfirst part");
        QTest::newRow("unbalanced braces") << QByteArray("{\\rtf1 {{{{text} more")
                                           << QStringLiteral("帮助文件“") << QStringLiteral("text more");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                << QStringLiteral("帮助文件“")
                                << QStringLiteral("不是 RTF 格式的文档，无法加载。");
        QTest::newRow("plain text") << QByteArray("just some words") << QStringLiteral("帮助文件“")
                                    << QStringLiteral("不是 RTF 格式的文档");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("帮助文件“")
                               << QStringLiteral("不是 RTF 格式的文档");
    }

    void unusableFilesGiveAClearMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shownStart);
        QFETCH(QString, alsoShown);
        TestSession t;
        WorkingFolder folder;
        folder.writeHelp(content);
        const QString text = shownText(t);
        QVERIFY2(text.startsWith(shownStart), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(folder.helpPath())), qPrintable(text));
        QVERIFY2(text.contains(alsoShown), qPrintable(text));
        QVERIFY(t.messages.shown().isEmpty());
    }

    void hugeFileIsNotRead()
    {
        TestSession t;
        WorkingFolder folder;
        {
            QFile file(folder.helpPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("{\\rtf1 ") == 7);
            QVERIFY(file.resize(2LL * 1024 * 1024 * 1024)); // sparse: costs no disk space
        }
        const QString text = shownText(t);
        QVERIFY2(text.contains(QStringLiteral("过大")), qPrintable(text));
        QVERIFY(text.contains(QDir::toNativeSeparators(folder.helpPath())));
    }
};

QTEST_MAIN(tst_w_help)
#include "tst_w_help.moc"
