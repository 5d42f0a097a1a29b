// Reads back where text landed in a PDF file, in millimetres, with poppler's pdftotext and pdfinfo.
#pragma once

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

struct PdfWord
{
    QString text;
    double leftMm = 0;
    double topMm = 0;
    double rightMm = 0;
    double bottomMm = 0;
};

inline double pointsToMm(double points)
{
    return points * 25.4 / 72.0;
}

/// The words of a one-page PDF with their boxes; empty when the file cannot be read.
inline QList<PdfWord> pdfWords(const QString& file)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    tool.waitForFinished(30000);
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PdfWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append(PdfWord{m.captured(5), pointsToMm(m.captured(1).toDouble()),
                             pointsToMm(m.captured(2).toDouble()), pointsToMm(m.captured(3).toDouble()),
                             pointsToMm(m.captured(4).toDouble())});
    }
    return words;
}

/// The number of pages pdfinfo reports, or -1.
inline int pdfPages(const QString& file)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {file});
    tool.waitForFinished(30000);
    const QString info = QString::fromUtf8(tool.readAllStandardOutput());
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}
