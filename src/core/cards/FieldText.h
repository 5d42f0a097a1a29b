// A card text read once for its fields: fixed parts, fields in braces ({姓名}) and the escapes {{ and
// }}, so that filling it in for each of many guests is only joining strings. A name in braces that
// is no field stays in the text as it is written.
#pragma once

#include "core/cards/CardFields.h"

#include <QList>
#include <QString>
#include <QStringList>

class FieldText
{
public:
    FieldText() = default;
    explicit FieldText(const QString& text);

    /// Whether any field is named, so that the text differs from guest to guest.
    bool hasFields() const { return m_hasFields; }
    /// The text for one guest: each field replaced by its value, taken as it is (a value holding
    /// braces is never read for fields), the escapes resolved.
    QString expanded(const FieldValues& values) const;
    /// The fixed parts joined, escapes resolved: the whole printed text when there are no fields.
    const QString& fixedText() const { return m_fixed; }
    /// The fields named, in order of appearance, repeats included.
    QList<CardField> fields() const;
    /// The names in single braces that are no field, written with their braces, each once.
    const QStringList& unknownNames() const { return m_unknown; }

private:
    struct Part
    {
        qsizetype begin = 0; // a stretch of m_fixed ...
        qsizetype length = 0;
        int field = -1; // ... or a field
    };

    void addFixed(QStringView text);

    QList<Part> m_parts;
    QString m_fixed;
    bool m_hasFields = false;
    QStringList m_unknown;
};
