// The settings of a style that concern guest fields: its 称谓 rules (性别 -> 称谓) and whether its
// cards are printed in table order.
#pragma once

#include "core/cards/SalutationRules.h"
#include "core/store/Result.h"

class CardStore;

class CardFieldStore
{
public:
    explicit CardFieldStore(CardStore& store) : m_store(store) {}

    /// The 称谓 rules of style `listId`; a rule never saved is the default (男 先生, 女 女士, none empty).
    Result<SalutationRules> salutationRules(qint16 listId);
    /// Writes all three rules of the style.
    Status saveSalutationRules(qint16 listId, const SalutationRules& rules);

    /// Whether style `listId` prints its guests by table number (off unless saved on).
    Result<bool> tableOrder(qint16 listId);
    Status saveTableOrder(qint16 listId, bool on);

private:
    CardStore& m_store;
};
