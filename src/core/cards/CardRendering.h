// What goes on one card: every label of the style at its position in its font, then the guest's
// name line in the guest-name setting, each text with the guest's fields filled in. The one place
// where a guest becomes a drawn card: the print run, the preview, the export and the checks all come
// through here.
#pragma once

#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"
#include "core/cards/Label.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>

#include <optional>

class CardPrinter;
class QPainter;

/// The whole points a label or name is drawn in (its size rounded half to even: 10.5 -> 10,
/// 11.5 -> 12); nothing when the size is not a number of points.
std::optional<int> drawnPoints(const QString& fontSize);

/// Sets italic, then bold, from a font style word (常规, 粗体, 斜体, 粗斜体; exact). Any other word,
/// also the empty one, leaves both switches as the previous text left them.
void applyStyleWord(CardPrinter& printer, const QString& word);

/// Refuses labels of style `styleName` that cannot be drawn (a size that is not a number of points),
/// with a message naming the label.
Status checkDrawable(const QList<Label>& labels, const QString& styleName);

/// Draws `guest`'s card of `card` through `printer`: bold and italic off, then the labels in order,
/// each at its placement (fields filled in, text trimmed of ASCII spaces; an unknown style word keeps
/// the previous text's style), then the name line as the setting says. A setting whose font was never
/// saved draws the name in 宋体 12 points regular. The labels must have passed checkDrawable. Fails
/// when the document cannot begin.
Status drawCardFor(CardPrinter& printer, const CardTemplate& card, const GuestFields& guest);

/// The same card onto any painter, whose origin is the top-left corner of the printable area.
void drawCard(QPainter& painter, const CardTemplate& card, const GuestFields& guest);
