// Where, in which font and in which form a style prints each guest's name: the one guest-name
// setting type, read and written by the store, edited in the settings window and drawn on every card.
#pragma once

#include "core/cards/TextPlacement.h"

#include <QString>

struct GuestNameSetting
{
    double xMm = 0;
    double yMm = 0;
    // The three font texts stay null until the setting is first saved. Loading a style whose size
    // or style word is null keeps the one the style loaded before had.
    QString fontName;
    QString fontSize; // points as chosen ("20", "10.5"); printed rounded half to even
    QString styleWord;
    TextPlacement placement; // anchor, fit width, columns; plain for settings saved before them
    // What the name line says, in guest fields: the guest's name alone unless the style says more.
    QString format = QStringLiteral("{姓名}");
    QString partnerFormat{}; // for a guest with a 同行; empty: the format above serves them too
};
