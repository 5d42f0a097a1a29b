// The message-box service of the running program: real QMessageBoxes.
#pragma once

#include "core/app/MessageService.h"

class QMessageBoxService : public MessageService
{
public:
    void critical(QWidget* parent, const QString& title, const QString& text) override;
    void exclamation(QWidget* parent, const QString& title, const QString& text) override;
    void information(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    Answer questionWithCancel(QWidget* parent, const QString& title, const QString& text) override;
};
