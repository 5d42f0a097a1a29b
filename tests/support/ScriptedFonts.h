// A font dialog for tests: answers from a script (a font, or Cancel) and records what it was
// opened on.
#pragma once

#include "ui/app/FontDialogService.h"

#include <QList>

struct FontRequest
{
    FontChoice current;
    bool scalableOnly = false;
};

class ScriptedFonts : public FontDialogService
{
public:
    std::optional<FontChoice> chooseFont(QWidget*, const FontChoice& current, bool scalableOnly) override
    {
        m_requests.append({current, scalableOnly});
        return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
    }

    /// The next dialog returns `choice`.
    void setNextChoice(const FontChoice& choice) { m_answers.append(choice); }
    /// The next dialog is cancelled. Dialogs without a scripted answer are cancelled too.
    void setNextCancel() { m_answers.append(std::nullopt); }

    const QList<FontRequest>& requests() const { return m_requests; }

private:
    QList<std::optional<FontChoice>> m_answers;
    QList<FontRequest> m_requests;
};
