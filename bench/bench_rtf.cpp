// Reading a 5 MB help document: the delivered help repeated until it is 5 MB, once as written (GBK
// bytes) and once with every character as a \uN escape; and one paragraph of 2 MB and of 16 MB (the
// largest help file the reader accepts) of words and of Chinese. Measures the reader alone, the help
// file's whole load from disk, laying the result out at the help window's width, and opening the
// help window on it until it shows. Prints medians in milliseconds as JSON.
#include "BenchSupport.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "core/store/CardStore.h"
#include "core/help/HelpFile.h"
#include "core/help/RtfReader.h"
#include "ui/about/w_Help.h"
#include "ui/app/Session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Repeats = 9;
constexpr qsizetype TargetBytes = 5 * 1024 * 1024;

double medianMs(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < Repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The delivered help's header and body, with the body repeated until the document is 5 MB.
QByteArray repeatedHelp(const QByteArray& help)
{
    const qsizetype bodyStart = help.indexOf("\\pard");
    const qsizetype bodyEnd = help.lastIndexOf('}');
    const QByteArray header = help.left(bodyStart);
    const QByteArray body = help.mid(bodyStart, bodyEnd - bodyStart);
    QByteArray rtf = header;
    while (rtf.size() + body.size() < TargetBytes)
        rtf += body;
    return rtf + '}';
}

// One paragraph of `unit` repeated until the document is `bytes` long.
QByteArray oneParagraph(const QByteArray& unit, qsizetype bytes)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                     "\\pard\\fi420\\sa100\\f0\\fs21 ";
    rtf.reserve(bytes);
    while (rtf.size() + unit.size() + 6 < bytes)
        rtf += unit;
    return rtf + "\\par }";
}

// The same paragraphs with every character written as \uN? and no code-page bytes.
QByteArray unicodeEscaped(const QTextDocument& document)
{
    QByteArray rtf = "{\\rtf1\\ansi\\uc1 ";
    for (QTextBlock block = document.begin(); block.isValid() && rtf.size() < TargetBytes;
         block = block.next()) {
        rtf += "\\pard\\fi420\\sa100\\fs21 ";
        for (const QChar ch : block.text()) {
            if (ch.unicode() < 0x80 && ch != QLatin1Char('\\') && ch != QLatin1Char('{') &&
                ch != QLatin1Char('}'))
                rtf += char(ch.unicode());
            else
                rtf += "\\u" + QByteArray::number(qint16(ch.unicode())) + '?';
        }
        rtf += "\\par\r\n";
    }
    return rtf + '}';
}

void measure(const char* name, const QByteArray& rtf, bool last)
{
    QTemporaryDir folder;
    QFile file(QDir(folder.path()).filePath(HelpFile::fileName()));
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        qFatal("cannot write the benchmark file");
    file.close();

    int paragraphs = 0;
    const double readMs = medianMs([&] {
        QTextDocument document;
        RtfReader::read(rtf, document);
        paragraphs = document.blockCount();
    });
    HelpFile::Outcome outcome = HelpFile::Outcome::Missing;
    const double loadMs = medianMs([&] {
        QTextDocument document;
        outcome = HelpFile::load(folder.path(), document);
    });
    QTextDocument laidOut;
    RtfReader::read(rtf, laidOut);
    QElapsedTimer timer;
    timer.start();
    laidOut.setTextWidth(700);
    (void)laidOut.size();
    const double layoutMs = timer.nsecsElapsed() / 1e6;

    // The help window reads the file of the current folder when it opens.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    SharedState state;
    CardStore store(QStringLiteral("Date_D.dat")); // the help window reads no data
    bench::OnePrinter printer;
    bench::QuietMessages messages;
    bench::NoDialogs dialogs;
    Session session{state, store, printer, messages, dialogs, dialogs};
    const double windowMs = medianMs([&] {
        w_Help window(session);
        window.show();
        QApplication::processEvents();
    });
    QDir::setCurrent(previous);

    std::printf("  \"%s\": {\"bytes\": %lld, \"paragraphs\": %d, \"complete\": %s, \"read_ms\": %.1f, "
                "\"load_from_file_ms\": %.1f, \"layout_once_ms\": %.1f, \"window_open_ms\": %.1f}%s\n",
                name, static_cast<long long>(rtf.size()), paragraphs,
                outcome == HelpFile::Outcome::Shown ? "true" : "false", readMs, loadMs, layoutMs, windowMs,
                last ? "" : ",");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Startup::installFontSubstitutions();
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtWarningMsg) // the offscreen platform's notes about window hints
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QFile help(QStringLiteral(FENNICK_SOURCE_DIR "/data/Date_T.dat"));
    if (!help.open(QIODevice::ReadOnly))
        qFatal("cannot read data/Date_T.dat");
    const QByteArray gbk = repeatedHelp(help.readAll());
    QTextDocument parsed;
    RtfReader::read(gbk, parsed);
    const QByteArray unicode = unicodeEscaped(parsed);

    std::printf("{\n");
    measure("help_gbk_5MB", gbk, false);
    measure("help_unicode_escapes_5MB", unicode, false);
    const qsizetype largest = HelpFile::MaxBytes - 16;
    measure("one_paragraph_words_2MB", oneParagraph("word ", 2 << 20), false);
    measure("one_paragraph_chinese_2MB", oneParagraph("\xd6\xd0\xce\xc4", 2 << 20), false);
    measure("one_paragraph_words_16MB", oneParagraph("word ", largest), false);
    measure("one_paragraph_chinese_16MB", oneParagraph("\xd6\xd0\xce\xc4", largest), true);
    std::printf("}\n");
    return 0;
}
