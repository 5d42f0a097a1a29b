// The rich-text reader: the control words help documents use, code pages and Unicode escapes,
// skipped destinations, and damaged or hostile input that must end quickly with what can be read.
#include "core/help/RtfReader.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// One line per paragraph: C|, R| or J| for centred, right and justified paragraphs, then the text with
// a mark such as [b], [iu] or [] wherever bold, italic and underline change; a line break shows as ↵.
QString describe(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment();
        QString line = a & Qt::AlignHCenter   ? "C|"
                       : a & Qt::AlignRight   ? "R|"
                       : a & Qt::AlignJustify ? "J|"
                                              : "";
        QString marks;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString now = QString(f.fontWeight() >= QFont::Bold ? "b" : "") +
                                (f.fontItalic() ? "i" : "") + (f.fontUnderline() ? "u" : "");
            if (now != marks)
                line += '[' + now + ']';
            marks = now;
            line += it.fragment().text();
        }
        lines << line.replace(QChar(QChar::LineSeparator), u"↵"_s);
    }
    return lines.join('\n');
}

QTextCharFormat formatAt(QTextDocument& document, const QString& text)
{
    QTextCursor inside(&document);
    inside.setPosition(document.find(text).selectionStart() + 1);
    return inside.charFormat();
}

} // namespace

class tst_rtfreader : public QObject
{
    Q_OBJECT

private slots:
    // Each control word, code page, Unicode escape and destination read into the right text and format;
    // truncated, binary, unbalanced and out-of-range input ends with what can be read and lays out.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("complete");
        auto row = [](const QByteArray& rtf, const QString& expected, bool complete = true) {
            QTest::newRow(rtf.constData()) << rtf << expected << complete;
        };
        // Paragraphs, breaks, character and paragraph formatting, nesting.
        row("{\\rtf1 a\\par b\\line c\\tab d}", "a\nb↵c\td");
        row("{\\rtf1 a\r\nb\nc\\\r\nd}", "abc\nd"); // raw line ends are not text, \<line end> is \par
        row("{\\rtf1 a\\b  b\\b0 c}", "a[b] b[]c"); // one delimiting space belongs to the word
        row("{\\rtf1\\ul u\\ulnone n\\uldb d\\ul0 e\\b\\i x\\plain y}", "[u]u[]n[u]d[]e[bi]x[]y");
        row("{\\rtf1\\qc c\\par d\\par\\pard\\qr r\\par\\pard\\qj j\\par\\pard l}", "C|c\nC|d\nR|r\nJ|j\nl");
        row("{\\rtf1 \\{\\}\\\\\\~x\\_y\\-z\\emdash\\bullet\\ldblquote}", "{}\\\u00A0x\u2011yz—•“");
        row("{\\rtf1\\trowd a\\cell b\\cell\\row c}", "a\tb\t\nc");
        row("{\\rtf1\\foo a\\bar7 b\\averyveryveryveryveryverylongcontrolword c}", "abc");
        // Code pages: GBK escaped and raw, Western by default, UTF-8, per font.
        row("{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'BA\\'C3\xc4\xe3!}", "你好你!");
        row("{\\rtf1\\ansi caf\\'e9 \\'80}", "café €");
        row("{\\rtf1\\ansicpg65001 \\'e4\\'bd\\'a0}", "你");
        row("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}}\\f1\\'c4\\'e3\\f0 caf\\'e9}",
            "你café");
        // Unicode escapes and the stand-ins after them.
        row("{\\rtf1 \\u20320?\\u-26216?}", u"你"_s + QChar(39320));
        row("{\\rtf1\\uc0 \\u20320\\u22909 ok}", "你好ok");
        row("{\\rtf1 {\\uc2 \\u20320??}\\u22909?x}", "你好x"); // \uc holds only inside its group
        row("{\\rtf1\\uc3 {\\u20320?}x}", "你x");              // skipping ends with the group
        row("{\\rtf1\\uc1 \\u20320\\par x}", "你x");           // a control word is one stand-in
        row("{\\rtf1 \\u-10179?\\u-8704?}", QString::fromUcs4(U"\U0001F600"));
        // Destinations: unknown ones and those without text are skipped; a field shows its result.
        row("{\\rtf1 a{\\*\\foo hidden{\\b x}}b}", "ab");
        row("{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 N;}}{\\header H}a{\\pict\\bin2 {}}b{\\footnote n}}",
            "ab");
        row("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", "link");
        // Characters a document keeps for itself are dropped.
        row("{\\rtf1 a\\u64976?\\u65532?\\u0?\\'00\\'07\x01 b}", "a b");
        // Damaged input: not rich text, cut off, unbalanced, binary, numbers out of range.
        row("Hello, world", "", false);
        row("\xEF\xBB\xBF \r\n{\\rtf1 a}", "a"); // byte-order mark and blanks first
        row("{\\rtf1 a{\\b b", "a[b]b", false);
        row("{\\rtf1 a}}}} b", "a");
        row("{\\rtf1 a\\bin999999 xyz", "a", false);
        row("{\\rtf1 a\\bin-5 b}", "ab");
        row("{\\rtf1\\ansicpg936 a\\'c", "ac", false);
        row("{\\rtf1 a\\'zzb}", "azzb");
        row("{\\rtf1\\ansicpg936 a\\'c4\\par b}", "a\nb"); // lead byte without its second
        row("{\\rtf1 a\\", "a", false);
        row("{\\rtf1\\fs99999999999999999 \\li-99999999999 \\fi-2147483648 \\u99999999999 \\u-2147483648 "
            "\\uc-5 \\f-3 \\cf-1 \\deff99999999999 \\ansicpg-1 \\red999 a}",
            "a");
        row("{\\rtf1{\\fonttbl{\\f0 Broken}}\\f0 a}", "a");
        row(QByteArray("{\\rtf1 a\x80\xff\xfe\x00\x01\x1b b}", 17), "a€ÿþ b");
    }

    void reads()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QFETCH(bool, complete);
        QTextDocument document;
        const RtfReadReport report = RtfReader::read(rtf, document);
        QCOMPARE(report.isRtf, rtf.contains("{\\rtf"));
        QCOMPARE(report.complete, complete);
        QVERIFY(!report.limited);
        QCOMPARE(describe(document), expected);
        document.setTextWidth(600);
        QVERIFY(document.size().height() > 0);
    }

    // Font and colour tables are applied, not shown; sizes are half-points, indents twips; a colour the
    // table lacks and a font of no size fall back to the defaults.
    void fontsSizesAndColours()
    {
        QTextDocument document;
        const QByteArray rtf =
            "{\\rtf1\\ansi\\ansicpg936\\deff1{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
            "{\\f1\\fswiss Arial{\\*\\falt Helvetica};}}{\\colortbl ;\\red255\\green0\\blue0;}"
            "\\pard\\li420\\fi-210 default {\\f0\\fs32\\cf1 song}{\\cf9 nine}\\par}";
        QVERIFY(RtfReader::read(rtf, document).complete);
        QCOMPARE(document.toPlainText(), u"default songnine\n"_s);
        const QTextCharFormat song = formatAt(document, u"song"_s);
        QCOMPARE(song.fontFamilies().toStringList(), QStringList{u"宋体"_s});
        QCOMPARE(song.fontPointSize(), 16.0);
        QCOMPARE(song.foreground().color(), QColor(255, 0, 0));
        const QTextCharFormat fallback = formatAt(document, u"default"_s);
        QCOMPARE(fallback.fontFamilies().toStringList(), QStringList{u"Arial"_s});
        QCOMPARE(fallback.fontPointSize(), 12.0);
        QVERIFY(!formatAt(document, u"nine"_s).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(document.begin().blockFormat().textIndent(), -14.0); // twips at 96 dots per inch
    }

    // Hostile documents stay small and quick: nesting, paragraph counts and format changes stop at limits;
    // a million letters without a space (once hours to lay out) get invisible places to break.
    void hostileDocuments()
    {
        QTextDocument document;
        auto read = [&](const QByteArray& body) {
            return RtfReader::read("{\\rtf1 " + body + "}", document);
        };
        const RtfReadReport report =
            read(QByteArray(100000, '{') + "\\b deep" + QByteArray(100000, '}') + " after");
        QVERIFY(report.limited && report.complete);
        QCOMPARE(document.toPlainText(), u"deep after"_s);
        QVERIFY(read(QByteArray("p\\par ").repeated(RtfReader::MaxParagraphs + 50)).limited);
        QVERIFY(document.blockCount() <= RtfReader::MaxParagraphs + 1);
        const int runs = RtfReader::MaxFormatRuns + 50;
        QVERIFY(read(QByteArray("\\b x\\b0 y").repeated(runs)).limited);
        QCOMPARE(document.toPlainText().remove(QChar(0x200B)).remove('\n').size(), 2 * runs);
        QVERIFY(!document.isUndoAvailable()); // each reading replaces the document

        const int letters = 1000000;
        QVERIFY(read(QByteArray(letters, 'a') + " end").complete);
        QString text = document.toPlainText().remove('\n'); // the blocks of one long paragraph
        QCOMPARE(text.count(QChar(0x200B)), letters / 200);
        QCOMPARE(text.remove(QChar(0x200B)), QString(letters, 'a') + " end");
        document.setTextWidth(600);
        QVERIFY(document.size().height() > 1000);
    }

    // Catches a long paragraph left in one block (2 MB of words kept the help window busy for
    // minutes), text lost or doubled where it is split, and blocks that do not read as one paragraph.
    void longParagraphsAreSplitIntoBlocks()
    {
        QByteArray body;
        QString expected;
        for (int i = 0; i < 3000; ++i) {
            body += "word\\'d6\\'d0 ";
            expected += QStringLiteral("word中 ");
        }
        QTextDocument document;
        QVERIFY(RtfReader::read("{\\rtf1\\ansi\\ansicpg936\\pard\\fi420\\sb150\\sa300 " + body +
                                    "\\par\\pard next\\par}",
                                document)
                    .complete);
        QStringList pieces;
        QList<QTextBlockFormat> formats;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            QVERIFY(block.length() <= RtfReader::MaxBlockLength + 201); // up to the next place to break
            pieces << block.text();
            formats << block.blockFormat();
        }
        QVERIFY2(pieces.size() >= 10, qPrintable(QString::number(pieces.size())));
        QCOMPARE(pieces.mid(0, pieces.size() - 2).join(QString()), expected);
        QCOMPARE(pieces.at(pieces.size() - 2), QStringLiteral("next"));
        const int last = static_cast<int>(formats.size()) - 3; // the long paragraph's last block
        for (int i = 0; i <= last; ++i) {
            QCOMPARE(formats.at(i).textIndent(), i == 0 ? 28.0 : 0.0);
            QCOMPARE(formats.at(i).topMargin(), i == 0 ? 10.0 : 0.0);
            QCOMPARE(formats.at(i).bottomMargin(), i == last ? 20.0 : 0.0);
        }
        QCOMPARE(formats.at(last + 1).textIndent(), 0.0);
    }
};

QTEST_MAIN(tst_rtfreader)
#include "tst_rtfreader.moc"
