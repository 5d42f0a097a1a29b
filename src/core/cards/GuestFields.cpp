#include "core/cards/GuestFields.h"

bool GuestFields::operator==(const GuestFields& other) const
{
    return name == other.name && sex == other.sex && connection == other.connection && job == other.job &&
           contact == other.contact && remark == other.remark && salutation == other.salutation &&
           partner == other.partner && table == other.table && attending == other.attending;
}
