// The file dialogs of the program (guest-list import and export, PDF export) go through this
// service, so that tests can answer them without a real dialog.
#pragma once

#include <QString>

class QWidget;

class FileChooser
{
public:
    virtual ~FileChooser() = default;

    /// The file picked to be read, or an empty text when the user cancelled.
    virtual QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) = 0;
    /// The file picked to be written (the dialog asks before replacing one), or an empty text.
    virtual QString fileToSave(QWidget* parent, const QString& caption, const QString& suggestedPath,
                               const QString& filter) = 0;
};
