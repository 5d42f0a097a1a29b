// A message-box service for tests: records every message and answers questions from a script.
#pragma once

#include "core/app/MessageService.h"

#include <QDebug>
#include <QList>
#include <QString>

struct ShownMessage
{
    enum class Kind
    {
        Critical,
        Exclamation,
        Information,
        Question
    };
    Kind kind;
    QString title;
    QString text;
};

class ScriptedMessages : public MessageService
{
public:
    void critical(QWidget*, const QString& title, const QString& text) override
    {
        m_shown.append({ShownMessage::Kind::Critical, title, text});
    }
    void exclamation(QWidget*, const QString& title, const QString& text) override
    {
        m_shown.append({ShownMessage::Kind::Exclamation, title, text});
    }
    void information(QWidget*, const QString& title, const QString& text) override
    {
        m_shown.append({ShownMessage::Kind::Information, title, text});
    }
    bool question(QWidget*, const QString& title, const QString& text) override
    {
        m_shown.append({ShownMessage::Kind::Question, title, text});
        return !m_answers.isEmpty() && m_answers.takeFirst() == Answer::Yes;
    }
    Answer questionWithCancel(QWidget*, const QString& title, const QString& text) override
    {
        m_shown.append({ShownMessage::Kind::Question, title, text});
        return m_answers.isEmpty() ? Answer::Cancel : m_answers.takeFirst();
    }

    /// The answer to the next question; questions without a scripted answer get No, or Cancel
    /// where the question offers it.
    void setNextAnswer(bool yes) { m_answers.append(yes ? Answer::Yes : Answer::No); }
    void setNextAnswer(Answer answer) { m_answers.append(answer); }

    const QList<ShownMessage>& shown() const { return m_shown; }
    int count() const { return static_cast<int>(m_shown.size()); }
    const ShownMessage& last() const { return m_shown.last(); }
    /// Whether the last message shown contains `part`; says what was shown when it does not.
    bool lastSays(const QString& part) const
    {
        if (!m_shown.isEmpty() && m_shown.last().text.contains(part))
            return true;
        qWarning("shown: %s", m_shown.isEmpty() ? "nothing" : qPrintable(m_shown.last().text));
        return false;
    }

private:
    QList<ShownMessage> m_shown;
    QList<Answer> m_answers;
};
