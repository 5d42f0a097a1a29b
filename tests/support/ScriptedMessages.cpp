#include "support/ScriptedMessages.h"

void ScriptedMessages::critical(QWidget*, const QString& title, const QString& text)
{
    m_shown.append({ShownMessage::Kind::Critical, title, text});
}

void ScriptedMessages::exclamation(QWidget*, const QString& title, const QString& text)
{
    m_shown.append({ShownMessage::Kind::Exclamation, title, text});
}

void ScriptedMessages::information(QWidget*, const QString& title, const QString& text)
{
    m_shown.append({ShownMessage::Kind::Information, title, text});
}

bool ScriptedMessages::question(QWidget*, const QString& title, const QString& text)
{
    m_shown.append({ShownMessage::Kind::Question, title, text});
    return m_answers.isEmpty() ? false : m_answers.takeFirst();
}
