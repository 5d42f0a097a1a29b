// The rich-text reader: the control words help documents use, code pages and Unicode escapes,
// skipped destinations, and damaged or hostile input that must end quickly with what can be read.
#include "about/RtfReader.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace {

// One line per paragraph: an alignment mark for centred (C|), right (R|) and justified (J|)
// paragraphs, then the text with a mark such as [b], [iu] or [] wherever bold, italic and underline
// change. A line break inside a paragraph is written as ↵.
QString describe(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line;
        const Qt::Alignment align = block.blockFormat().alignment();
        if (align & Qt::AlignHCenter)
            line += QStringLiteral("C|");
        else if (align & Qt::AlignRight)
            line += QStringLiteral("R|");
        else if (align & Qt::AlignJustify)
            line += QStringLiteral("J|");
        QString marks;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QString now;
            if (f.fontWeight() >= QFont::Bold)
                now += QLatin1Char('b');
            if (f.fontItalic())
                now += QLatin1Char('i');
            if (f.fontUnderline())
                now += QLatin1Char('u');
            if (now != marks)
                line += QLatin1Char('[') + now + QLatin1Char(']');
            marks = now;
            line += it.fragment().text();
        }
        lines << line.replace(QChar(QChar::LineSeparator), QStringLiteral("↵"));
    }
    return lines.join(QLatin1Char('\n'));
}

// The bytes of a literal, embedded zero bytes included.
template <size_t N> QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

QTextCharFormat formatAt(const QTextDocument& document, const QString& text)
{
    const QTextCursor found = document.find(text);
    if (found.isNull())
        qFatal("text not in the document");
    QTextCursor inside(const_cast<QTextDocument*>(&document));
    inside.setPosition(found.selectionStart() + 1);
    return inside.charFormat();
}

} // namespace

class tst_rtfreader : public QObject
{
    Q_OBJECT

private slots:
    void readsText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");

        QTest::newRow("plain text") << QByteArray("{\\rtf1 Hello}") << QStringLiteral("Hello");
        QTest::newRow("par, line, tab")
            << QByteArray("{\\rtf1 a\\par b\\line c\\tab d}") << QStringLiteral("a\nb↵c\td");
        QTest::newRow("table cells and rows")
            << QByteArray("{\\rtf1\\trowd a\\cell b\\cell\\row c}") << QStringLiteral("a\tb\t\nc");
        QTest::newRow("line ends in the file are not text")
            << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
        QTest::newRow("backslash before a line end is a paragraph")
            << QByteArray("{\\rtf1 a\\\r\nb}") << QStringLiteral("a\nb");
        QTest::newRow("one delimiting space belongs to the word")
            << QByteArray("{\\rtf1\\b  two}") << QStringLiteral("[b] two");
        QTest::newRow("bold on and off") << QByteArray("{\\rtf1 a\\b b\\b0 c}") << QStringLiteral("a[b]b[]c");
        QTest::newRow("groups restore formatting")
            << QByteArray("{\\rtf1 {\\i i{\\ul u}}n}") << QStringLiteral("[i]i[iu]u[]n");
        QTest::newRow("ulnone and ul0")
            << QByteArray("{\\rtf1\\ul u\\ulnone n\\uldb d\\ul0 e}") << QStringLiteral("[u]u[]n[u]d[]e");
        QTest::newRow("plain resets character formatting")
            << QByteArray("{\\rtf1\\b\\i x\\plain y}") << QStringLiteral("[bi]x[]y");
        QTest::newRow("alignment holds until pard")
            << QByteArray("{\\rtf1\\qc c\\par d\\par\\pard\\qr r\\par\\pard\\qj j\\par\\pard l}")
            << QStringLiteral("C|c\nC|d\nR|r\nJ|j\nl");
        QTest::newRow("escaped braces and backslash")
            << QByteArray("{\\rtf1 \\{\\}\\\\\\~x\\_y\\-z}") << QStringLiteral("{}\\\u00A0x\u2011yz");
        QTest::newRow("typographic words")
            << QByteArray("{\\rtf1\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}")
            << QStringLiteral("—–•‘’“”");
        QTest::newRow("unknown control words are ignored, their text kept")
            << QByteArray("{\\rtf1\\foo a\\bar7 b\\averyveryveryveryveryverylongcontrolwordname c}")
            << QStringLiteral("abc");
        QTest::newRow("text after the document is not read")
            << QByteArray("{\\rtf1 a}b{c}") << QStringLiteral("a");

        // Code pages.
        QTest::newRow("GBK bytes") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'ba\\'c3}")
                                   << QStringLiteral("你好");
        QTest::newRow("GBK bytes written raw")
            << QByteArray("{\\rtf1\\ansicpg936 \xc4\xe3!}") << QStringLiteral("你!");
        QTest::newRow("upper-case hex")
            << QByteArray("{\\rtf1\\ansicpg936 \\'C4\\'E3}") << QStringLiteral("你");
        QTest::newRow("Western is the default")
            << QByteArray("{\\rtf1\\ansi caf\\'e9 \\'80}") << QStringLiteral("café €");
        QTest::newRow("UTF-8 code page")
            << QByteArray("{\\rtf1\\ansicpg65001 \\'e4\\'bd\\'a0}") << QStringLiteral("你");
        QTest::newRow("a font's character set decides its bytes")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}}"
                          "\\f1\\'c4\\'e3\\f0 caf\\'e9}")
            << QStringLiteral("你café");
        QTest::newRow("unknown code page reads as Western")
            << QByteArray("{\\rtf1\\ansicpg12345 caf\\'e9}") << QStringLiteral("café");

        // Unicode escapes and the characters that stand in for them.
        QTest::newRow("\\u with one stand-in by default")
            << QByteArray("{\\rtf1 \\u20320?\\u22909?}") << QStringLiteral("你好");
        QTest::newRow("negative \\u") << QByteArray("{\\rtf1 \\u-26216?}") << QString(QChar(39320));
        QTest::newRow("\\uc0: nothing to skip")
            << QByteArray("{\\rtf1\\uc0 \\u20320\\u22909 ok}") << QStringLiteral("你好ok");
        QTest::newRow("\\uc2 skips two code-page bytes")
            << QByteArray("{\\rtf1\\uc2 \\u20320\\'c4\\'e3x}") << QStringLiteral("你x");
        QTest::newRow("\\uc holds only inside its group")
            << QByteArray("{\\rtf1 {\\uc2 \\u20320??}\\u22909?x}") << QStringLiteral("你好x");
        QTest::newRow("skipping ends at the group's end")
            << QByteArray("{\\rtf1\\uc3 {\\u20320?}x}") << QStringLiteral("你x");
        QTest::newRow("a control word counts as one stand-in")
            << QByteArray("{\\rtf1\\uc1 \\u20320\\par x}") << QStringLiteral("你x");
        QTest::newRow("surrogate pair")
            << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QString::fromUcs4(U"\U0001F600");

        // Destinations.
        QTest::newRow("unknown ignorable destination")
            << QByteArray("{\\rtf1 a{\\*\\foo hidden{\\b x}}b}") << QStringLiteral("ab");
        QTest::newRow("known destinations without text")
            << QByteArray("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}{\\header H}"
                          "a{\\pict\\wmetafile8\\bin2 {}}b{\\footnote note}}")
            << QStringLiteral("ab");
        QTest::newRow("field result shown, instruction not")
            << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}")
            << QStringLiteral("link");
        QTest::newRow("font and colour tables are not text")
            << QByteArray(
                   "{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1 Times;}{\\colortbl;\\red1\\green2\\blue3;}x}")
            << QStringLiteral("x");
        QTest::newRow("characters the document keeps for itself are dropped")
            << QByteArray("{\\rtf1 a\\u64976?\\u64977?\\u65532?\\u0?\\'00\\'07\x01 b}")
            << QStringLiteral("a b");
    }

    void readsText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        const RtfReadReport report = RtfReader::read(rtf, document);
        QVERIFY(report.isRtf);
        QVERIFY(!report.limited);
        QCOMPARE(describe(document), expected);
    }

    void fontsSizesColoursAndSpacing()
    {
        QTextDocument document;
        const RtfReadReport report = RtfReader::read(
            "{\\rtf1\\ansi\\ansicpg936\\deff1{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
            "{\\f1\\fswiss Arial{\\*\\falt Helvetica};}}{\\colortbl "
            ";\\red255\\green0\\blue0;\\red0\\green0\\blue128;}"
            "\\pard\\li420\\fi-210\\sb120\\sa60 default {\\f0\\fs32\\cf1 song}{\\cf2 blue}{\\cf9 nine}\\par}",
            document);
        QVERIFY(report.isRtf && report.complete && !report.limited);

        const QTextCharFormat song = formatAt(document, QStringLiteral("song"));
        QCOMPARE(song.fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
        QCOMPARE(song.fontPointSize(), 16.0);
        QCOMPARE(song.foreground().color(), QColor(255, 0, 0));

        const QTextCharFormat fallback = formatAt(document, QStringLiteral("default"));
        QCOMPARE(fallback.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
        QCOMPARE(fallback.fontPointSize(), 12.0); // the size of a document that names none
        QCOMPARE(formatAt(document, QStringLiteral("blue")).foreground().color(), QColor(0, 0, 128));
        QVERIFY(!formatAt(document, QStringLiteral("nine")).hasProperty(QTextFormat::ForegroundBrush));

        const QTextBlockFormat block = document.begin().blockFormat();
        QCOMPARE(block.leftMargin(), 28.0); // twips at 96 dots per inch
        QCOMPARE(block.textIndent(), -14.0);
        QCOMPARE(block.topMargin(), 8.0);
        QCOMPARE(block.bottomMargin(), 4.0);
    }

    void damagedInput_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<bool>("isRtf");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("text");

        QTest::newRow("not rich text") << QByteArray("Hello, world") << false << false << QString();
        QTest::newRow("empty") << QByteArray() << false << false << QString();
        QTest::newRow("header cut off") << QByteArray("{\\rt") << false << false << QString();
        QTest::newRow("byte-order mark and blanks before the header")
            << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 a}") << true << true << QStringLiteral("a");
        QTest::newRow("groups never closed")
            << QByteArray("{\\rtf1 a{\\b b") << true << false << QStringLiteral("ab");
        QTest::newRow("extra closing braces")
            << QByteArray("{\\rtf1 a}}}} b") << true << true << QStringLiteral("a");
        QTest::newRow("binary data running past the end")
            << QByteArray("{\\rtf1 a\\bin999999 xyz") << true << false << QStringLiteral("a");
        QTest::newRow("negative binary count")
            << QByteArray("{\\rtf1 a\\bin-5 b}") << true << true << QStringLiteral("ab");
        QTest::newRow("hex escape cut off")
            << QByteArray("{\\rtf1\\ansicpg936 a\\'c") << true << false << QStringLiteral("ac");
        QTest::newRow("hex escape with no hex digits")
            << QByteArray("{\\rtf1 a\\'zzb}") << true << true << QStringLiteral("azzb");
        QTest::newRow("lead byte without its second byte")
            << QByteArray("{\\rtf1\\ansicpg936 a\\'c4\\par b}") << true << true << QStringLiteral("a\nb");
        QTest::newRow("backslash at the end")
            << QByteArray("{\\rtf1 a\\") << true << false << QStringLiteral("a");
        QTest::newRow("numbers out of every range")
            << QByteArray("{\\rtf1\\fs99999999999999999 \\li-99999999999 \\fi-2147483648 \\u99999999999 "
                          "\\u-2147483648 \\uc-5 \\f-3 \\cf-1 \\deff99999999999 \\ansicpg-1 \\red999 a}")
            << true << true << QStringLiteral("a");
        QTest::newRow("font table entry without a semicolon")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Broken}}\\f0 a}") << true << true << QStringLiteral("a");
        QTest::newRow("random bytes inside a document")
            << bytes("{\\rtf1 a\x80\xff\xfe\x00\x01\x1b b}") << true << true << QStringLiteral("a€ÿþ b");
    }

    void damagedInput()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(bool, isRtf);
        QFETCH(bool, complete);
        QFETCH(QString, text);
        QTextDocument document;
        const RtfReadReport report = RtfReader::read(rtf, document);
        QCOMPARE(report.isRtf, isRtf);
        QCOMPARE(report.complete, complete);
        QCOMPARE(document.toPlainText(), text);
        document.setTextWidth(600);
        QVERIFY(document.size().height() > 0); // the result can be laid out
    }

    void limitsKeepHostileDocumentsSmall()
    {
        // Nesting far deeper than the limit: the text survives, the depth does not.
        {
            const int depth = 100000;
            const QByteArray rtf =
                "{\\rtf1 " + QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + " after}";
            QTextDocument document;
            const RtfReadReport report = RtfReader::read(rtf, document);
            QVERIFY(report.limited);
            QVERIFY(report.complete);
            QCOMPARE(document.toPlainText(), QStringLiteral("deep after"));
        }
        // More paragraphs than any help text: reading stops at the limit.
        {
            QByteArray rtf = "{\\rtf1 ";
            for (int i = 0; i < RtfReader::MaxParagraphs + 50; ++i)
                rtf += "p\\par ";
            rtf += '}';
            QTextDocument document;
            const RtfReadReport report = RtfReader::read(rtf, document);
            QVERIFY(report.limited);
            QVERIFY(document.blockCount() <= RtfReader::MaxParagraphs + 1);
        }
        // Endless format changes: past the limit the text keeps one format instead of new runs.
        {
            QByteArray rtf = "{\\rtf1 ";
            for (int i = 0; i < RtfReader::MaxFormatRuns + 50; ++i)
                rtf += "\\b x\\b0 y";
            rtf += '}';
            QTextDocument document;
            const RtfReadReport report = RtfReader::read(rtf, document);
            QVERIFY(report.limited);
            QCOMPARE(document.toPlainText().remove(QChar(0x200B)).size(),
                     2 * (RtfReader::MaxFormatRuns + 50));
        }
    }

    void longRunsWithoutABreakCanBeLaidOut()
    {
        // A million letters without a space once took hours to lay out: the time grows with the square
        // of a run that has nowhere to break. The reader gives such runs invisible places to break.
        const int letters = 1000000;
        QTextDocument document;
        QVERIFY(RtfReader::read("{\\rtf1 " + QByteArray(letters, 'a') + " end}", document).complete);
        QString text = document.toPlainText();
        QCOMPARE(text.count(QChar(0x200B)), letters / 200);
        QCOMPARE(text.remove(QChar(0x200B)), QString(letters, QLatin1Char('a')) + QStringLiteral(" end"));
        document.setTextWidth(600);
        QVERIFY(document.size().height() > 1000);
    }

    void readingAgainReplacesTheDocument()
    {
        QTextDocument document;
        QVERIFY(RtfReader::read("{\\rtf1 first\\par two}", document).complete);
        QVERIFY(RtfReader::read("{\\rtf1 second}", document).complete);
        QCOMPARE(document.toPlainText(), QStringLiteral("second"));
        QVERIFY(!document.isUndoAvailable());
    }

    // The fuzzer's seed corpus doubles as regression input: every file reads and lays out.
    void seedCorpus()
    {
        const QDir corpus(QStringLiteral(FENNICK_SOURCE_DIR "/fuzz/corpus"));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(files.size() >= 10);
        for (const QString& name : files) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTextDocument document;
            const RtfReadReport report = RtfReader::read(file.readAll(), document);
            document.setTextWidth(600);
            QVERIFY2(document.size().height() > 0, qPrintable(name));
            QCOMPARE(report.isRtf, name.endsWith(QLatin1String(".rtf")));
        }
    }
};

QTEST_MAIN(tst_rtfreader)
#include "tst_rtfreader.moc"
