#include "core/cards/FieldText.h"

namespace {

bool endsAName(QChar c)
{
    return c == QLatin1Char('{') || c == QLatin1Char('}') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

FieldText::FieldText(const QString& text)
{
    const qsizetype n = text.size();
    m_fixed.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        const bool doubled = i + 1 < n && text.at(i + 1) == c;
        if (c == QLatin1Char('}')) {
            addFixed(QStringView(text).mid(i, 1));
            i += doubled ? 2 : 1;
            continue;
        }
        if (c != QLatin1Char('{')) {
            qsizetype end = i + 1;
            while (end < n && text.at(end) != QLatin1Char('{') && text.at(end) != QLatin1Char('}'))
                ++end;
            addFixed(QStringView(text).mid(i, end - i));
            i = end;
            continue;
        }
        if (doubled) {
            addFixed(QStringView(text).mid(i, 1));
            i += 2;
            continue;
        }
        qsizetype close = i + 1;
        while (close < n && !endsAName(text.at(close)))
            ++close;
        if (close >= n || text.at(close) != QLatin1Char('}')) {
            addFixed(QStringView(text).mid(i, 1)); // a brace that opens nothing prints as itself
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, close - i - 1);
        if (const std::optional<CardField> field = CardFields::byName(name)) {
            m_parts.append(Part{0, 0, static_cast<int>(*field)});
            m_hasFields = true;
        } else {
            const QStringView written = QStringView(text).mid(i, close - i + 1);
            if (!m_unknown.contains(written))
                m_unknown << written.toString();
            addFixed(written);
        }
        i = close + 1;
    }
    if (!m_hasFields)
        m_parts.clear(); // the fixed text is the whole text
}

void FieldText::addFixed(QStringView text)
{
    if (!m_parts.isEmpty() && m_parts.last().field < 0) {
        m_parts.last().length += text.size();
    } else {
        m_parts.append(Part{m_fixed.size(), text.size(), -1});
    }
    m_fixed += text;
}

QString FieldText::expanded(const FieldValues& values) const
{
    if (!m_hasFields)
        return m_fixed;
    qsizetype size = 0;
    for (const Part& part : m_parts)
        size += part.field < 0 ? part.length : values[part.field].size();
    QString text;
    text.reserve(size);
    for (const Part& part : m_parts) {
        if (part.field < 0)
            text += QStringView(m_fixed).mid(part.begin, part.length);
        else
            text += values[part.field];
    }
    return text;
}

QList<CardField> FieldText::fields() const
{
    QList<CardField> named;
    for (const Part& part : m_parts) {
        if (part.field >= 0)
            named << static_cast<CardField>(part.field);
    }
    return named;
}
