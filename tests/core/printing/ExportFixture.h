// A style ready to export (labels, guest-name setting, named guests) and the reading of a PDF back
// with poppler's pdftotext and pdfinfo, page by page, in millimetres; and its ink, found on a
// 600 dpi raster made by pdftoppm.
#pragma once

#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QPageLayout>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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

/// An A6 sheet without margins: the card's millimetres are the page's.
inline QPageLayout a6WithoutMargins()
{
    return QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

/// The pages of `pdf` rasterised in grey at `dpi` (made beside it and removed once read).
inline QList<QImage> greyPages(const QString& pdf, double dpi)
{
    const QString prefix = QFileInfo(pdf).dir().filePath(QStringLiteral("page"));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                         QStringLiteral("-png"), pdf, prefix});
    QList<QImage> pages;
    for (int page = 1;; ++page) {
        const QString file = QStringLiteral("%1-%2.png").arg(prefix).arg(page);
        const QImage image(file);
        if (image.isNull())
            break;
        pages << image.convertToFormat(QImage::Format_Grayscale8);
        QFile::remove(file);
    }
    return pages;
}

/// Compares `pages` with the reference cards "<stem>-1.png", "<stem>-2.png"... kept beside these
/// tests, so that a card that prints otherwise than before is seen; FENNICK_WRITE_REFERENCE=1 writes
/// them anew instead.
inline void compareWithReferences(const QList<QImage>& pages, const QString& stem)
{
    for (int i = 0; i < pages.size(); ++i) {
        const QString reference =
            QStringLiteral(FENNICK_SOURCE_DIR "/tests/core/printing/reference/%1-%2.png")
                .arg(stem)
                .arg(i + 1);
        if (qEnvironmentVariableIsSet("FENNICK_WRITE_REFERENCE")) {
            QVERIFY(pages.at(i).save(reference));
            continue;
        }
        const QImage expected = QImage(reference).convertToFormat(QImage::Format_Grayscale8);
        QVERIFY2(!expected.isNull(), qPrintable(reference));
        QCOMPARE(pages.at(i).size(), expected.size());
        QVERIFY2(pages.at(i) == expected,
                 qPrintable(QStringLiteral("page %1 differs from %2").arg(i + 1).arg(reference)));
    }
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

/// The bounding box of the dark ink on page `page` of `pdf`, in millimetres from the page's
/// top-left corner (600 dpi: a dot is 0.042 mm); an empty box when there is none. Only the part
/// `regionMm` of the page is looked at when given.
inline QImage rasterOfPage(const QString& pdf, const QRectF& regionMm, QPoint& origin, int page)
{
    constexpr double dpi = 600;
    const double dotsPerMm = dpi / 25.4;
    QTemporaryDir dir;
    QStringList args{QStringLiteral("-r"),  QString::number(dpi),         QStringLiteral("-gray"),
                     QStringLiteral("-f"),  QString::number(page),        QStringLiteral("-l"),
                     QString::number(page), QStringLiteral("-singlefile")};
    origin = QPoint();
    if (!regionMm.isNull()) {
        origin = QPoint(qRound(regionMm.left() * dotsPerMm), qRound(regionMm.top() * dotsPerMm));
        args << QStringLiteral("-x") << QString::number(origin.x()) << QStringLiteral("-y")
             << QString::number(origin.y()) << QStringLiteral("-W")
             << QString::number(qRound(regionMm.width() * dotsPerMm)) << QStringLiteral("-H")
             << QString::number(qRound(regionMm.height() * dotsPerMm));
    }
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), args << pdf << dir.filePath(QStringLiteral("page")));
    pdftoppm.waitForFinished(60000);
    QImageReader reader(dir.filePath(QStringLiteral("page.pgm")));
    reader.setAllocationLimit(0); // a whole A4 page at 600 dpi is over Qt's default limit
    return reader.read().convertToFormat(QImage::Format_Grayscale8);
}

inline QRectF inkBoxMm(const QString& pdf, const QRectF& regionMm = QRectF(), int page = 1)
{
    const double dotsPerMm = 600 / 25.4;
    QPoint origin;
    const QImage image = rasterOfPage(pdf, regionMm, origin, page);
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] < 128) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0)
        return {};
    return QRectF((origin.x() + x0) / dotsPerMm, (origin.y() + y0) / dotsPerMm, (x1 + 1 - x0) / dotsPerMm,
                  (y1 + 1 - y0) / dotsPerMm);
}

/// The centre of the cross-hair within 7 mm of `nearMm` on page 1 of `pdf`: the middle of the
/// rows and of the columns that are dark across most of that square (text beside it is not).
inline QPointF crossHairMm(const QString& pdf, const QPointF& nearMm)
{
    const double dotsPerMm = 600 / 25.4;
    QPoint origin;
    const QImage image = rasterOfPage(pdf, QRectF(nearMm - QPointF(7, 7), QSizeF(14, 14)), origin, 1);
    double rows = 0, rowCount = 0, columns = 0, columnCount = 0;
    QList<int> darkInColumn(image.width(), 0);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        int dark = 0;
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] < 128) {
                ++dark;
                ++darkInColumn[x];
            }
        }
        if (dark > image.width() * 0.8) {
            rows += y;
            ++rowCount;
        }
    }
    for (int x = 0; x < image.width(); ++x) {
        if (darkInColumn[x] > image.height() * 0.8) {
            columns += x;
            ++columnCount;
        }
    }
    if (rowCount == 0 || columnCount == 0)
        return QPointF(-1, -1);
    return QPointF((origin.x() + columns / columnCount + 0.5) / dotsPerMm,
                   (origin.y() + rows / rowCount + 0.5) / dotsPerMm);
}
