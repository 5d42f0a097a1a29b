// Every message box of the program goes through this service, so tests can read each title and
// text and answer the questions.
#pragma once

#include <QString>

class QWidget;

class MessageService
{
public:
    enum class Answer
    {
        Yes,
        No,
        Cancel
    };

    virtual ~MessageService() = default;

    /// Critical-stop icon, OK button.
    virtual void critical(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Exclamation icon, OK button.
    virtual void exclamation(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Information icon, OK button.
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Question icon, Yes and No buttons; true when the answer is Yes.
    virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Question icon, Yes, No and Cancel buttons; closing the box answers Cancel.
    virtual Answer questionWithCancel(QWidget* parent, const QString& title, const QString& text) = 0;
};

/// The titles each kind of message is shown under.
namespace Titles {
inline const QString CriticalError = QStringLiteral("关键性错误");
inline const QString MissingItem = QStringLiteral("缺少必要项目");
inline const QString Reminder = QStringLiteral("提醒");
inline const QString OperationReminder = QStringLiteral("操作提醒");
inline const QString UserConfirmation = QStringLiteral("用户确认");
inline const QString PleaseConfirm = QStringLiteral("请您确认");
inline const QString Notice = QStringLiteral("告知");
inline const QString Note = QStringLiteral("提示");
} // namespace Titles
