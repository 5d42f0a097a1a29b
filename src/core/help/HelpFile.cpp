#include "core/help/HelpFile.h"

#include "core/help/RtfReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

void showMessage(QTextDocument& document, const QString& text)
{
    document.clear();
    document.setPlainText(text);
}

// Puts a notice in its own paragraph above what could be read of a damaged document.
void prependNotice(QTextDocument& document, const QString& text)
{
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::Start);
    cursor.insertBlock();
    cursor.movePosition(QTextCursor::Start);
    cursor.setBlockFormat(QTextBlockFormat());
    QTextCharFormat format;
    format.setForeground(QColor(0x99, 0, 0));
    format.setFontWeight(QFont::Bold);
    cursor.setBlockCharFormat(format);
    cursor.insertText(text, format);
}

QString tooLargeText(const QString& path)
{
    return QStringLiteral("帮助文件“%1”过大（超过 %2 MB），不是本程序的帮助文件，无法加载。")
        .arg(QDir::toNativeSeparators(path))
        .arg(HelpFile::MaxBytes / (1024 * 1024));
}

} // namespace

QString HelpFile::fileName()
{
    return QStringLiteral("Date_T.dat");
}

QString HelpFile::missingText()
{
    return QStringLiteral("帮助文件丢失，无法加载。");
}

HelpFile::Outcome HelpFile::load(const QString& folder, QTextDocument& document)
{
    const QString path = QDir(folder).filePath(fileName());
    const QFileInfo info(path);
    // Only an ordinary file counts: a folder or a pipe of that name is no help document.
    if (!info.exists() || !info.isFile()) {
        showMessage(document, missingText());
        return Outcome::Missing;
    }
    if (info.size() > MaxBytes) {
        showMessage(document, tooLargeText(path));
        return Outcome::TooLarge;
    }
    QFile file(path);
    QByteArray data;
    bool readOk = file.open(QIODevice::ReadOnly);
    if (readOk) {
        data = file.read(MaxBytes + 1); // the file may have grown since its size was looked at
        readOk = file.error() == QFileDevice::NoError;
    }
    if (!readOk) {
        showMessage(document, QStringLiteral("帮助文件“%1”无法读取，请检查该文件是否可以访问。")
                                  .arg(QDir::toNativeSeparators(path)));
        return Outcome::Unreadable;
    }
    if (data.size() > MaxBytes) {
        showMessage(document, tooLargeText(path));
        return Outcome::TooLarge;
    }

    const RtfReadReport report = RtfReader::read(data, document);
    if (!report.isRtf) {
        showMessage(document, QStringLiteral("帮助文件“%1”不是 RTF 格式的文档，无法加载。")
                                  .arg(QDir::toNativeSeparators(path)));
        return Outcome::NotRichText;
    }
    if (!report.complete || report.limited) {
        prependNotice(document, QStringLiteral("帮助文件“%1”已损坏或不完整，以下只显示了能够读取的部分。")
                                    .arg(QDir::toNativeSeparators(path)));
        return Outcome::ShownInPart;
    }
    return Outcome::Shown;
}
