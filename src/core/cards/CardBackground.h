// The scanned blank card a style keeps under its design, so that labels are placed against the real
// ornaments: the file as loaded, where it lies on the paper and how strongly it shows. It is drawn
// on screens only (the designer, and the preview when asked); no printer and no export ever gets it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

struct BackgroundPlacement
{
    double widthMm = 0;   // 0: stretched over the whole paper; otherwise this wide, its height in proportion
    QPointF offsetMm;     // of its top-left corner from the paper's top-left corner
    double opacity = 0.5; // 0 (not seen) to 1 (as scanned)
    bool inPreview = false;

    bool fitsPaper() const { return widthMm <= 0; }
    bool operator==(const BackgroundPlacement& other) const
    {
        return widthMm == other.widthMm && offsetMm == other.offsetMm && opacity == other.opacity &&
               inPreview == other.inPreview;
    }
    bool operator!=(const BackgroundPlacement& other) const { return !(*this == other); }
};

/// A style's background as the store keeps it.
struct CardBackground
{
    QByteArray data;  // the file as it was loaded: PNG, JPEG or PDF
    QByteArray shown; // the picture as screens show it, made when it was loaded: a JPEG on white,
                      // quick to open however large or fine the scan; empty when `data` is as quick
    QString fileName; // the name it was loaded from, for the windows
    BackgroundPlacement placement;

    /// What screens decode: the copy made for them, or the file itself when it is small.
    const QByteArray& shownData() const { return shown.isEmpty() ? data : shown; }
};

/// A decoded background ready to be drawn.
struct CardBackdrop
{
    QImage picture; // null: no background
    BackgroundPlacement placement;

    bool isNull() const { return picture.isNull(); }
};

/// Where the picture lies, in millimetres from the paper's top-left corner; `pictureSize` gives its
/// proportions (pixels, or the page size of a PDF).
QRectF backgroundRectMm(const BackgroundPlacement& placement, const QSizeF& pictureSize,
                        const QSizeF& paperMm);

/// Draws `backdrop` onto the paper `pagePx` (its top-left corner and size in the painter's units,
/// `dotsPerMm` of them to a millimetre), clipped to the paper, faded by its opacity.
void drawBackdrop(QPainter& painter, const CardBackdrop& backdrop, const QRectF& pagePx, double dotsPerMm);
