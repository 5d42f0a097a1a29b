#include "ui/app/QtFontDialogService.h"

#include <QCheckBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>

namespace {

// The dialog lists installed faces only; a Windows face name such as 宋体 opens on the face it is
// mapped to, rather than on whatever the dialog falls back to.
QString installedFamily(const QString& family)
{
    const QStringList listed = QFontDatabase::families();
    QStringList candidates{family};
    candidates += QFont::substitutes(family);
    for (const QString& candidate : candidates) {
        for (const QString& face : listed) {
            if (face.compare(candidate, Qt::CaseInsensitive) == 0)
                return face; // spelt as the dialog lists it
        }
    }
    return family;
}

} // namespace

std::optional<FontChoice> QtFontDialogService::chooseFont(QWidget* parent, const FontChoice& current,
                                                          bool scalableOnly)
{
    QFontDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("字体"));
    QFontDialog::FontDialogOptions options = QFontDialog::DontUseNativeDialog;
    if (scalableOnly)
        options |= QFontDialog::ScalableFonts;
    dialog.setOptions(options);

    QFont font(installedFamily(current.family));
    if (current.pointSize > 0)
        font.setPointSizeF(current.pointSize);
    font.setBold(current.bold);
    font.setItalic(current.italic);
    dialog.setCurrentFont(font);

    // Underline and strike-out are no part of a font choice: hide the group that offers them, and
    // give the sample the height that group took.
    for (QCheckBox* effect : dialog.findChildren<QCheckBox*>()) {
        if (auto* group = qobject_cast<QGroupBox*>(effect->parentWidget()))
            group->hide();
        else
            effect->hide();
    }
    for (QLineEdit* sample : dialog.findChildren<QLineEdit*>()) {
        if (qobject_cast<QGroupBox*>(sample->parentWidget()))
            sample->setMinimumHeight(64);
    }

    dialog.resize(600, 480);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    return FontChoice{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic()};
}
