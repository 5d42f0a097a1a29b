// The check before cards are printed or exported: what on them will not come out as designed. Texts
// that run past the printable area (or lie off the page altogether), positions and sizes no card can
// have (beyond ±10 m, over 1000 points, not a number), characters no installed font can print, and
// texts longer than their fit width even at their smallest size.
// The print run asks about these before its first card; fennick-export writes a line for each.
#pragma once

#include "core/cards/CardGuestList.h"
#include "core/cards/CardTemplate.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

class GlyphCoverage;

/// One thing on the cards that will not print as designed.
struct CardProblem
{
    enum class Kind
    {
        Position,     // a position that is not a number or lies beyond ±10 m
        Size,         // a size over 1000 points
        OffPrintable, // the text runs past the printable area
        Unprintable,  // characters no installed font can print
        TooWide,      // longer than its fit width at its smallest size
    };
    Kind kind = Kind::OffPrintable;
    bool isGuest = false; // a guest's name line (the guest-name setting or its format when `name` is
                          // empty), else a label
    QString name;         // the label's or the guest's name
    QString detail;       // the characters, the position, the size, or the whole line of TooWide

    /// One line for the user: "标签“日期”：超出了可打印区域".
    QString describe() const;
};

namespace CardCheck {

/// Positions further than this from the printable area's corner are no card's.
constexpr double kMaxPositionMm = 10000;
/// Larger type is no card's.
constexpr int kMaxPoints = 1000;

/// Every problem of `card` filled in for each of `guests`, on a printable area of `printableMm`: the
/// labels' and the setting's first, then the guests'. A label with guest fields is measured with each
/// guest's values and named once; the name line is measured as each guest's format makes it.
QList<CardProblem> find(const CardTemplate& card, const CardGuestList& guests, const QSizeF& printableMm,
                        GlyphCoverage& coverage);

/// The question asked before a run when `problems` is not empty: which ones (cut after
/// `maxListed`), and whether to print anyway.
QString question(const QList<CardProblem>& problems, int maxListed = 15);

} // namespace CardCheck
