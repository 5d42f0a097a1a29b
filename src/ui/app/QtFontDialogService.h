// The real font dialog: Qt's own, without the underline, strike-out and colour effects.
#pragma once

#include "ui/app/FontDialogService.h"

class QtFontDialogService : public FontDialogService
{
public:
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& current,
                                         bool scalableOnly) override;
};
