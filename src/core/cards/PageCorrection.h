// A printer's correction for one paper: how far and how much stretched every card is drawn so that
// the ink lands where the design says on a printer that feeds a little off. Applied on the printer
// path only; the preview and the export show the design itself.
#pragma once

#include <QString>

class QPainter;

struct PageCorrection
{
    double offsetXMm = 0; // the card is drawn this much further right
    double offsetYMm = 0; // and this much further down
    double scaleX = 1;    // stretched by this factor about the printable area's corner
    double scaleY = 1;

    /// True when drawing through it changes nothing.
    bool isIdentity() const;

    /// Moves and stretches the painter's coordinates (device dots, `dotsPerMm` of them to a
    /// millimetre, origin at the printable area's corner): a design point p is drawn at
    /// offset + scale * p.
    void apply(QPainter& painter, double dotsPerMm) const;

    /// "已校准：偏移 +0.8 / −1.2 毫米", with the scale when it is not 1.
    QString describe() const;
};

/// A signed number with one decimal and a true minus sign ("+0.8", "−1.2", "0.0").
QString signedMm(double mm);
