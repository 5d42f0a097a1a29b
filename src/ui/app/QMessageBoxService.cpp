#include "ui/app/QMessageBoxService.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (buttons & QMessageBox::Yes) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        if (buttons & QMessageBox::Cancel) {
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
            box.setEscapeButton(QMessageBox::Cancel);
        }
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void QMessageBoxService::critical(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

void QMessageBoxService::exclamation(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

void QMessageBoxService::information(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

bool QMessageBoxService::question(QWidget* parent, const QString& title, const QString& text)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

MessageService::Answer QMessageBoxService::questionWithCancel(QWidget* parent, const QString& title,
                                                              const QString& text)
{
    switch (show(parent, QMessageBox::Question, title, text,
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
