// Reading a 5 MB help document: the delivered help repeated until it is 5 MB, once as written (GBK
// bytes) and once with every character as a \uN escape. Measures the reader alone, the help file's
// whole load from disk, and (for information) laying the result out at the help window's width.
// Prints medians in milliseconds as JSON.
#include "core/help/HelpFile.h"
#include "core/help/RtfReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
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

    std::printf("  \"%s\": {\"bytes\": %lld, \"paragraphs\": %d, \"complete\": %s, \"read_ms\": %.1f, "
                "\"load_from_file_ms\": %.1f, \"layout_once_ms\": %.1f}%s\n",
                name, static_cast<long long>(rtf.size()), paragraphs,
                outcome == HelpFile::Outcome::Shown ? "true" : "false", readMs, loadMs, layoutMs,
                last ? "" : ",");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QFile help(QStringLiteral(FENNICK_SOURCE_DIR "/data/Date_T.dat"));
    if (!help.open(QIODevice::ReadOnly))
        qFatal("cannot read data/Date_T.dat");
    const QByteArray gbk = repeatedHelp(help.readAll());
    QTextDocument parsed;
    RtfReader::read(gbk, parsed);
    const QByteArray unicode = unicodeEscaped(parsed);

    std::printf("{\n");
    measure("help_gbk_5MB", gbk, false);
    measure("help_unicode_escapes_5MB", unicode, true);
    std::printf("}\n");
    return 0;
}
