// What goes on one card: every label of the style at its position in its font, then the guest's
// name in the guest-name setting. The same code draws onto a printer, a PDF or a preview painter.
#pragma once

#include "core/printing/StyleLoad.h"
#include "core/store/PrintQueries.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>

class CardPrinter;
class QPainter;

/// A label ready to draw: its stored values converted.
struct CardLabel
{
    QString keywords;
    QString text;
    double xMm = 0;
    double yMm = 0;
    QString fontName;
    int fontSize = 12; // points
    QString styleWord;
};

/// Sets italic, then bold, from a font style word (常规, 粗体, 斜体, 粗斜体; exact). Any other word,
/// also the empty one, leaves both switches as the previous text left them.
void applyStyleWord(CardPrinter& printer, const QString& word);

/// Converts the stored labels of style `styleName`; a message naming the label when its position or
/// font size is not a usable number.
Result<QList<CardLabel>> cardLabels(const QList<StoredLabel>& rows, const QString& styleName);

/// Draws the labels in order (text trimmed of ASCII spaces). Fails when the document cannot begin.
Status drawLabels(CardPrinter& printer, const QList<CardLabel>& labels);

/// Draws the guest's name as the setting says; a setting whose font was never saved draws it in
/// 宋体 12 points regular at the stored position.
Status drawGuestName(CardPrinter& printer, const GuestNameSetting& setting, const QString& name);

/// The whole card (labels, then the name) onto any painter, with the painter's origin as the
/// top-left corner of the printable area: for previews and exports.
void drawCard(QPainter& painter, const QList<CardLabel>& labels, const GuestNameSetting& setting,
              const QString& name);
