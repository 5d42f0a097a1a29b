// The queries behind the creation of a card style: the list of existing styles and the new style's
// Lists and GuestXY rows.
#pragma once

#include "core/store/Result.h"

#include <QString>
#include <QVector>

class CardStore;

/// One card style as the Lists table holds it.
struct StyleEntry
{
    qint16 id = 0;
    QString name;
};

enum class NewStyleOutcome
{
    Created,
    Taken // a style with the same number, or the same name in any letter case, already exists
};

class StyleStore
{
public:
    explicit StyleStore(CardStore& store) : m_store(store) {}

    /// Every style, by ascending number.
    Result<QVector<StyleEntry>> stylesByNumber();

    /// Creates style `id` named `name` with its empty guest-name setting, both rows or neither.
    /// Nothing is written when the number or the name (compared without regard to case) is taken.
    Result<NewStyleOutcome> create(qint16 id, const QString& name);

private:
    CardStore& m_store;
};
