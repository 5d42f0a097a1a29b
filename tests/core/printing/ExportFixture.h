// A style ready to export (labels, guest-name setting, named guests) and the reading of a PDF back
// with poppler's pdftotext and pdfinfo, page by page, in millimetres.
#pragma once

#include "support/TestDatabase.h"

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>

struct PageWord
{
    QString text;
    double leftMm = 0, topMm = 0, bottomMm = 0;
};

inline double pointsToMm(double points)
{
    return points * 25.4 / 72.0;
}

/// Style `listId` "`name`": labels 请柬 at (20, 15) and 敬请光临 at (20, 60), the name at (30, 35) in
/// 楷体 20 points, and `guests` in this order.
inline void addExportStyle(TestDatabase& db, int listId, const QString& name, const QStringList& guests)
{
    db.addStyle(listId, name, 0, 0);
    db.exec(QStringLiteral("UPDATE GuestXY SET keyx = 30, keyy = 35, keyfont = '楷体', keyfontsize = '20', "
                           "keyfontstyle = '常规' WHERE ListID = ?"),
            {listId});
    db.exec(QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) VALUES (?, '标题', '请柬', 20, 15, '宋体', '24', '粗体'), "
                           "(?, '邀请', '敬请光临', 20, 60, '黑体', '12', '常规')"),
            {listId, listId});
    for (const QString& guest : guests)
        db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (?, ?)"), {listId, guest});
}

/// The standard output of `tool` run with `arguments`.
inline QString runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// The words of page `page` (from 1) with their boxes in millimetres.
inline QList<PageWord> pageWords(const QString& file, int page)
{
    const QString p = QString::number(page);
    const QString html = runTool(QStringLiteral("pdftotext"), {"-bbox", "-f", p, "-l", p, file, "-"});
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PageWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append({m.captured(4), pointsToMm(m.captured(1).toDouble()),
                      pointsToMm(m.captured(2).toDouble()), pointsToMm(m.captured(3).toDouble())});
    }
    return words;
}

/// The word `text` on a page, or a word with an empty text.
inline PageWord findWord(const QList<PageWord>& words, const QString& text)
{
    for (const PageWord& w : words)
        if (w.text == text)
            return w;
    return {};
}

inline QString pdfInfo(const QString& file)
{
    return runTool(QStringLiteral("pdfinfo"), {file});
}

inline int pageCount(const QString& file)
{
    const auto m = QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(pdfInfo(file));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

/// The first page's size in millimetres, or an empty size.
inline QSizeF pageSizeMm(const QString& file)
{
    const auto m =
        QRegularExpression(QStringLiteral(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)")).match(pdfInfo(file));
    return m.hasMatch() ? QSizeF(pointsToMm(m.captured(1).toDouble()), pointsToMm(m.captured(2).toDouble()))
                        : QSizeF();
}
