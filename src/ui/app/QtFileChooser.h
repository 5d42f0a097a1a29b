// The system's file dialogs.
#pragma once

#include "ui/app/FileChooser.h"

class QtFileChooser : public FileChooser
{
public:
    QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) override;
    QString fileToSave(QWidget* parent, const QString& caption, const QString& suggestedPath,
                       const QString& filter) override;
};
