#include "ui/app/FileChooser.h"

#include <QFileDialog>

namespace {

class DialogChooser : public FileChooser
{
public:
    QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString fileToSave(QWidget* parent, const QString& caption, const QString& suggestedPath,
                       const QString& filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
    }
};

FileChooser* g_override = nullptr;

} // namespace

FileChooser& FileChooser::current()
{
    static DialogChooser dialogs;
    return g_override ? *g_override : dialogs;
}

void FileChooser::setCurrent(FileChooser* chooser)
{
    g_override = chooser;
}
