// A card as it will print, drawn onto an image for the screen: the page, its printable area, the
// card by the one card drawing routine, and outlines around the texts that will not print whole.
#pragma once

#include "core/cards/CardBackground.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QString>

/// One text of a card as the card drawing routine is given it.
struct CardText
{
    QString text;
    QPointF positionMm;
    QFont font;
    TextPlacement placement;
};

/// The texts of `guest`'s card, labels first and the name line last, with the fonts and placements
/// they are drawn in (a label's style word may carry over from the label before it).
QList<CardText> cardTexts(const CardTemplate& card, const GuestFields& guest);

/// Where one text of a card lies, in millimetres from the printable area's top-left corner.
struct CardTextBox
{
    bool isGuest = false; // the guest's name, otherwise a label
    int labelIndex = -1;  // the label's place in the list drawn; -1 for the guest's name
    QString name;         // the label's name, or the guest's name
    QString text;         // what is drawn, fields filled in
    QString fontFamily;
    QRectF rectMm;
    bool overflowsWidth = false; // longer than its fit width even at the smallest size
};

/// The boxes of every text `guest`'s card draws, labels first and the name line last, measured as the
/// card drawing routine lays them out (character cells: the full advance width and line height, or
/// the columns' cells; fitted texts at the size they are drawn in).
QList<CardTextBox> cardTextBoxes(const CardTemplate& card, const GuestFields& guest);

/// True when `box` leaves a printable area of `printableMm` on any side.
bool runsPastPrintableArea(const QRectF& boxMm, const QSizeF& printableMm);

/// The size of the picture renderCardPreview draws for `layout`: the page and the desk around it.
QSizeF previewSizeMm(const QPageLayout& layout);

struct CardPreviewImage
{
    QImage image;
    QRectF printableRect; // in the image's pixels
};

/// The page of `layout` at `dpi` on a grey desk, the card drawn as it prints (clipped to the
/// printable area, as paper is), a red outline around every box of `overflowMm` and a dashed red
/// one around every box of `unprintableMm`. A `backdrop` lies on the paper under the card.
CardPreviewImage renderCardPreview(const QPageLayout& layout, const CardTemplate& card,
                                   const GuestFields& guest, double dpi, const QList<QRectF>& overflowMm = {},
                                   const QList<QRectF>& unprintableMm = {},
                                   const CardBackdrop& backdrop = {});

/// The card alone on a transparent picture of `sizePx`, the printable area's top-left corner at
/// `originPx`, at `dpi`: laid out at the print resolution as renderCardPreview draws it. Nothing is
/// drawn outside `clipPx` when it is given.
QImage renderCardLayer(const QSize& sizePx, const QPointF& originPx, const CardTemplate& card,
                       const GuestFields& guest, double dpi, const QRectF& clipPx = QRectF());
