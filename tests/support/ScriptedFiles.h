// File dialogs for tests: each answers with the path the test set (empty: cancelled).
#pragma once

#include "ui/app/FileChooser.h"

#include <QString>

class ScriptedFiles : public FileChooser
{
public:
    QString fileToOpen(QWidget*, const QString&, const QString&) override { return openAnswer; }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveAnswer;
    }

    QString openAnswer;
    QString saveAnswer;
};
