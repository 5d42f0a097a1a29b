#include "support/ScriptedFonts.h"

std::optional<FontChoice> ScriptedFonts::chooseFont(QWidget*, const FontChoice& current, bool scalableOnly)
{
    m_requests.append({current, scalableOnly});
    return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
}
