#include "ui/app/QtFileChooser.h"

#include <QFileDialog>

QString QtFileChooser::fileToOpen(QWidget* parent, const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString QtFileChooser::fileToSave(QWidget* parent, const QString& caption, const QString& suggestedPath,
                                  const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
}
