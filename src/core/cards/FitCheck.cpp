#include "core/cards/FitCheck.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardPreview.h"
#include "core/cards/CardUnits.h"

#include <QImage>
#include <QPainter>

#include <cmath>

QString WidthOverflow::describe() const
{
    return isGuest ? QStringLiteral("宾客‘%1’的姓名超出宽度").arg(name)
                   : QStringLiteral("标签‘%1’的文字超出宽度").arg(name);
}

QList<WidthOverflow> findWidthOverflows(const CardTemplate& card, const CardGuestList& guests)
{
    // Fonts and placements as the card gives them to each text; only the texts change per guest.
    const QList<CardText> texts = cardTexts(card, GuestFields());
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter =
        static_cast<int>(std::lround(CardUnits::dotsPerMm(CardUnits::kLayoutDpi) * 1000));
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&device);
    const auto overflows = [&](const CardText& drawn, const QString& text) {
        return drawn.placement.hasFitWidth() &&
               measureTextMm(painter, text, drawn.positionMm.x(), drawn.positionMm.y(), drawn.font,
                             drawn.placement)
                   .overflows;
    };

    QList<WidthOverflow> found;
    const QList<Label>& labels = card.labels();
    for (int i = 0; i < labels.size(); ++i) {
        const CardText& drawn = texts.at(i);
        if (!drawn.placement.hasFitWidth())
            continue;
        bool tooLong = false;
        if (!card.labelText(i).hasFields()) {
            tooLong = overflows(drawn, drawn.text);
        } else {
            for (qsizetype g = 0; g < guests.size() && !tooLong; ++g)
                tooLong =
                    overflows(drawn, card.labelFor(i, CardFields::valuesOf(guests.guestAt(g), card.rules())));
        }
        if (tooLong)
            found.append(WidthOverflow{false, labels.at(i).name});
    }
    const CardText& name = texts.last();
    if (!name.placement.hasFitWidth())
        return found;
    for (qsizetype g = 0; g < guests.size(); ++g) {
        const GuestFields guest = guests.guestAt(g);
        if (overflows(name, card.nameLineFor(guest, CardFields::valuesOf(guest, card.rules()))))
            found.append(WidthOverflow{true, guest.name});
    }
    return found;
}
