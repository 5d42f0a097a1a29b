// File dialogs for tests: each answers with the path the test set (empty: cancelled) and records
// the caption it was opened with.
#pragma once

#include "ui/app/FileChooser.h"

#include <QStringList>

class ScriptedFiles : public FileChooser
{
public:
    QString fileToOpen(QWidget*, const QString& caption, const QString&) override
    {
        captions << caption;
        return openAnswer;
    }
    QString fileToSave(QWidget*, const QString& caption, const QString&, const QString&) override
    {
        captions << caption;
        return saveAnswer;
    }

    QString openAnswer;
    QString saveAnswer;
    QStringList captions;
};
