// The guests of a style as its cards need them, in print order. A list of 100,000 guests whose
// cards show nothing but the name holds their identities and names only, as compactly as before
// guests had other fields on cards; the other fields are held only when the cards show any.
#pragma once

#include "core/cards/GuestFields.h"

#include <QList>
#include <QString>
#include <QStringList>

class CardGuestList
{
public:
    CardGuestList() = default;
    /// An empty list whose guests will carry fields beyond the name when `withFields`.
    explicit CardGuestList(bool withFields) : m_withFields(withFields) {}

    qsizetype size() const { return m_ids.size(); }
    bool isEmpty() const { return m_ids.isEmpty(); }
    void reserve(qsizetype size);

    /// Appends guest `guestId`; of `guest` only the name is kept unless the list holds fields.
    void append(qint64 guestId, GuestFields guest);

    qint64 idAt(qsizetype index) const { return m_ids.at(index); }
    const QString& nameAt(qsizetype index) const { return m_names.at(index); }
    /// The guest at `index`, with the fields the list holds (defaults for the others).
    GuestFields guestAt(qsizetype index) const;

    /// The guests at `indexes`, in that order.
    CardGuestList taken(const QList<qsizetype>& indexes) const;

private:
    bool m_withFields = false;
    QList<qint64> m_ids;
    QStringList m_names;
    QList<GuestFields> m_fields; // only when m_withFields
};
