// The font dialog behind the "选择字体样式..." buttons, as a service so that tests can choose a font
// or cancel without a real dialog.
#pragma once

#include "core/cards/FontChoice.h"

#include <optional>

class QWidget;

class FontDialogService
{
public:
    virtual ~FontDialogService() = default;

    /// Shows the font dialog modally, opened on `current`. Returns the chosen font, or nullopt when
    /// the user cancels. With `scalableOnly` only scalable fonts are offered.
    virtual std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& current,
                                                 bool scalableOnly) = 0;
};
