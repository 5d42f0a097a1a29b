#include "core/cards/CardGuestList.h"

void CardGuestList::reserve(qsizetype size)
{
    m_ids.reserve(size);
    m_names.reserve(size);
    if (m_withFields)
        m_fields.reserve(size);
}

void CardGuestList::append(qint64 guestId, GuestFields guest)
{
    m_ids.append(guestId);
    m_names.append(guest.name);
    if (m_withFields)
        m_fields.append(std::move(guest));
}

GuestFields CardGuestList::guestAt(qsizetype index) const
{
    if (m_withFields)
        return m_fields.at(index);
    GuestFields guest;
    guest.name = m_names.at(index);
    return guest;
}

CardGuestList CardGuestList::taken(const QList<qsizetype>& indexes) const
{
    CardGuestList list(m_withFields);
    list.reserve(indexes.size());
    for (const qsizetype index : indexes) {
        list.m_ids.append(m_ids.at(index));
        list.m_names.append(m_names.at(index));
        if (m_withFields)
            list.m_fields.append(m_fields.at(index));
    }
    return list;
}
