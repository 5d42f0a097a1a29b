// A label of a card style: a named text printed at a position in a font on every card of the
// style. The one label type of the program: the store reads and writes it, the windows edit it and
// the card is drawn from it.
#pragma once

#include "core/cards/TextPlacement.h"

#include <QString>

struct Label
{
    qint64 id = 0;     // the row's own identity; 0 for a label not stored yet
    QString name;      // recognises the label in the windows; never printed
    QString text;      // what is printed; may hold line breaks
    double xMm = 0;    // from the left edge of the printable area
    double yMm = 0;    // from the top edge of the printable area
    QString fontName;  // a face name; empty draws in the fallback face
    QString fontSize;  // points as chosen or typed ("12", "10.5"); printed rounded half to even
    QString styleWord; // 常规, 粗体, 斜体 or 粗斜体; any other word keeps the previous text's style
    TextPlacement placement; // anchor, fit width, columns; plain for labels stored before them
};
