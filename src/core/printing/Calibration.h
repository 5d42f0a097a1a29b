// Calibrating a printer: where the test sheet's two cross-hairs are designed to be, and the
// correction worked out from where a ruler finds them on paper.
#pragma once

#include "core/cards/CardSheet.h"
#include "core/cards/PageCorrection.h"
#include "core/store/Result.h"

#include <QPointF>
#include <QString>

/// The centres of the test sheet's two cross-hairs, in card coordinates (millimetres from the
/// printable area's corner): whole millimetres near the top-left and the bottom-right corner.
struct CalibrationMarks
{
    QPointF a;
    QPointF b;
};

CalibrationMarks calibrationMarks(const CardSheet& sheet);

/// Where a point of the card lands on a true printer, measured from the paper's left and top edges.
QPointF fromPaperEdges(const QPointF& pointMm, const CardSheet& sheet);

/// The four distances the user measured on the test sheet, as typed (millimetres from the paper's
/// left and top edges to the centres of cross-hair A and B).
struct MeasuredMarks
{
    QString aLeft;
    QString aTop;
    QString bLeft;
    QString bTop;
};

/// The correction that makes the printer land true, from the measurements of a test sheet that
/// was printed through `printedWith`. Refuses a number that is missing, not a distance, or plainly
/// misread (a correction beyond ±15 mm or a scale outside 0.95 to 1.05), naming the number.
Result<PageCorrection> correctionFromMeasurements(const CardSheet& sheet, const PageCorrection& printedWith,
                                                  const MeasuredMarks& measured);
