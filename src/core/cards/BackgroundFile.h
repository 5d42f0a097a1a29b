// Reading a scanned card for a style's background: a PNG or JPEG picture or the first page of a PDF,
// checked before it is kept (size, kind, readable), and decoded again whenever it is shown.
#pragma once

#include "core/cards/CardBackground.h"
#include "core/store/Result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace BackgroundFile {

/// Files this large or larger are refused: the picture is kept inside the data file.
inline constexpr qint64 kRefusedBytes = 20'000'000;
/// The longest side, in pixels, of the picture screens show: sharp at 200 % on an A4 card.
inline constexpr int kShownSidePx = 2400;

struct Loaded
{
    CardBackground background; // placed over the whole paper, half faded
    QImage picture;
};

/// Reads the file at `path`: refused with a message that says why when it is too large, not a PNG,
/// JPEG or PDF file, or damaged.
Result<Loaded> read(const QString& path);

/// The picture of `data` (a PNG, JPEG or PDF file, as read() keeps them) at most `longestSidePx`
/// on its longest side; a message when it cannot be decoded.
Result<QImage> decode(const QByteArray& data, int longestSidePx = kShownSidePx);

} // namespace BackgroundFile
