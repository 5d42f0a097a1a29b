// Texts longer than the fit width set for them even at their smallest size (see TextPlacement):
// they print at that size and run past the room the card leaves them, so the check before a run
// lists them and the preview outlines them.
#pragma once

#include "core/cards/CardGuestList.h"
#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"

#include <QList>
#include <QString>
#include <QStringList>

/// A text that does not fit its fit width.
struct WidthOverflow
{
    bool isGuest = false; // a guest's name, otherwise a label
    QString name;         // the guest's name, or the label's name

    /// For the user: "宾客‘张三’的姓名超出宽度", "标签‘落款’的文字超出宽度".
    QString describe() const;
};

/// Every label of `card` and every name line of `guests` that is longer than its fit width at its
/// smallest size, labels first, measured as cards lay them out. A label with guest fields is
/// measured with each guest's values and named once.
QList<WidthOverflow> findWidthOverflows(const CardTemplate& card, const CardGuestList& guests);
