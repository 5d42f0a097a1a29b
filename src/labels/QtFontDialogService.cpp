#include "labels/QtFontDialogService.h"

#include <QCheckBox>
#include <QFont>
#include <QFontDialog>
#include <QGroupBox>

std::optional<FontChoice> QtFontDialogService::chooseFont(QWidget* parent, const FontChoice& current,
                                                          bool scalableOnly)
{
    QFontDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("字体"));
    QFontDialog::FontDialogOptions options = QFontDialog::DontUseNativeDialog;
    if (scalableOnly)
        options |= QFontDialog::ScalableFonts;
    dialog.setOptions(options);

    QFont font(current.family);
    if (current.pointSize > 0)
        font.setPointSizeF(current.pointSize);
    font.setBold(current.bold);
    font.setItalic(current.italic);
    dialog.setCurrentFont(font);

    // Underline and strike-out are no part of a font choice: hide the group that offers them.
    for (QCheckBox* effect : dialog.findChildren<QCheckBox*>()) {
        if (auto* group = qobject_cast<QGroupBox*>(effect->parentWidget()))
            group->hide();
        else
            effect->hide();
    }

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    return FontChoice{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic()};
}
