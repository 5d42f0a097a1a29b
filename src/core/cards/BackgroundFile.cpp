#include "core/cards/BackgroundFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPainter>

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>

namespace {

enum class Kind
{
    Unknown,
    Png,
    Jpeg,
    Pdf
};

constexpr double kFinestPdfDpi = 300;
constexpr int kShownQuality = 90;
constexpr qint64 kSmallBytes = 1'000'000;

// By content, not by the file's name: a scan saved under the wrong ending still loads, and a
// renamed document is never mistaken for a picture.
Kind kindOf(const QByteArray& data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return Kind::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    // A PDF may have a few bytes before its header.
    if (data.left(1024).contains("%PDF-"))
        return Kind::Pdf;
    return Kind::Unknown;
}

// The picture, or why it cannot be read (without the file's name).
Result<QImage> decodePdf(const QByteArray& data, int longestSidePx)
{
    // Poppler writes its complaints about damaged files to the terminal; the user gets ours.
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document)
        return Status::failure(QStringLiteral("不是完整的 PDF 文件"));
    if (document->isLocked())
        return Status::failure(QStringLiteral("PDF 文件有密码保护"));
    if (document->numPages() < 1)
        return Status::failure(QStringLiteral("PDF 文件中没有页面"));
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (points.width() <= 0 || points.height() <= 0)
        return Status::failure(QStringLiteral("PDF 文件的第一页无法读取"));
    const double longest = std::max(points.width(), points.height());
    const double dpi = std::min(kFinestPdfDpi, longestSidePx * 72.0 / longest);
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    QImage picture = page->renderToImage(dpi, dpi);
    if (picture.isNull())
        return Status::failure(QStringLiteral("PDF 文件的第一页无法显示"));
    return picture;
}

Result<QImage> decodePicture(const QByteArray& data, const char* format, int longestSidePx)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return Status::failure(QStringLiteral("图片的文件头已损坏"));
    // JPEG pictures are decoded straight at the smaller size, which is far quicker than scaling
    // down afterwards.
    if (std::max(size.width(), size.height()) > longestSidePx)
        reader.setScaledSize(size.scaled(longestSidePx, longestSidePx, Qt::KeepAspectRatio));
    QImage picture = reader.read();
    if (picture.isNull())
        return Status::failure(QStringLiteral("图片数据不完整或已损坏"));
    return picture;
}

Result<QImage> decodeKind(const QByteArray& data, Kind kind, int longestSidePx)
{
    switch (kind) {
    case Kind::Png:
        return decodePicture(data, "png", longestSidePx);
    case Kind::Jpeg:
        return decodePicture(data, "jpeg", longestSidePx);
    case Kind::Pdf:
        return decodePdf(data, longestSidePx);
    case Kind::Unknown:
        break;
    }
    return Status::failure(QStringLiteral("不是 PNG、JPEG 图片或 PDF 文件"));
}

QString megabytes(qint64 bytes)
{
    return QLocale::c().toString(std::floor(bytes / 100'000.0) / 10.0, 'f', 1);
}

} // namespace

namespace BackgroundFile {

Result<Loaded> read(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::failure(
            QStringLiteral("无法打开文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    if (file.size() >= kRefusedBytes) {
        return Status::failure(
            QStringLiteral("背景图片“%1”有 %2 MB，必须小于 20 MB。背景图片保存在数据文件里，"
                           "太大的图片会让数据文件臃肿、打开和备份都变慢，而对位用不到那么精细。"
                           "请用 150 到 300 dpi 的分辨率重新扫描，或把图片另存为 JPEG 后再试。")
                .arg(name, megabytes(file.size())));
    }
    Loaded loaded;
    loaded.background.data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Status::failure(
            QStringLiteral("读取文件“%1”时出错：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    if (loaded.background.data.isEmpty())
        return Status::failure(QStringLiteral("文件“%1”是空的（0 字节），不能用作背景图片。").arg(name));
    const Kind kind = kindOf(loaded.background.data);
    if (kind == Kind::Unknown) {
        return Status::failure(
            QStringLiteral("文件“%1”不是 PNG、JPEG 图片或 PDF 文件，不能用作背景图片。").arg(name));
    }
    Result<QImage> picture = decodeKind(loaded.background.data, kind, kShownSidePx);
    if (!picture.isOk()) {
        return Status::failure(QStringLiteral("背景图片“%1”已损坏，无法读取（%2）。"
                                              "请重新扫描，或用看图软件另存一份后再试。")
                                   .arg(name, picture.error()));
    }
    loaded.background.fileName = name;
    loaded.picture = std::move(picture.value());
    // A small picture opens as quickly as any copy of it: kept once.
    const QSize size = loaded.picture.size();
    if (kind != Kind::Pdf && !loaded.picture.hasAlphaChannel() &&
        loaded.background.data.size() <= kSmallBytes && std::max(size.width(), size.height()) <= kShownSidePx)
        return loaded;
    // The screens open this rather than the scan: decoding a 10 MB scan takes a few hundred
    // milliseconds, this a few dozen. On white, as the paper under a picture with transparent parts.
    QImage onPaper(size, QImage::Format_RGB32);
    onPaper.fill(Qt::white);
    QPainter(&onPaper).drawImage(0, 0, loaded.picture);
    QBuffer shown(&loaded.background.shown);
    shown.open(QIODevice::WriteOnly);
    if (!onPaper.save(&shown, "jpeg", kShownQuality))
        return Status::failure(QStringLiteral("背景图片“%1”无法转换为显示用的图片。").arg(name));
    loaded.picture = std::move(onPaper);
    return loaded;
}

Result<QImage> decode(const QByteArray& data, int longestSidePx)
{
    Result<QImage> picture = decodeKind(data, kindOf(data), longestSidePx);
    if (!picture.isOk()) {
        return Status::failure(QStringLiteral("保存的背景图片已损坏，无法显示（%1）。请重新载入背景图片。")
                                   .arg(picture.error()));
    }
    return picture;
}

} // namespace BackgroundFile
