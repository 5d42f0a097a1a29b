// Trimming as the card program does it: ASCII spaces only, so an ideographic space (U+3000) that a
// designer typed on purpose stays.
#pragma once

#include <QString>

inline QString trimAsciiSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
