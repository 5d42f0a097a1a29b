// The queries of printing: the labels drawn on every card, and the guests found by part of a name.
#pragma once

#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QList>
#include <QString>
#include <QVariant>

/// One label of a style, exactly as the row holds it.
struct StoredLabel
{
    QString keywords; // the label's name, for messages
    QString value;    // the printed text
    QVariant x;
    QVariant y;
    QVariant font;
    QVariant fontSize;
    QVariant fontStyle;
};

/// One guest found by name, with the columns the search result shows.
struct GuestRow
{
    qint64 guestId = 0;
    QString name;
    QString sex;
    QString connection;
    QString job;
    QString contact;
    QString remark;
};

class PrintQueries
{
public:
    explicit PrintQueries(CardStore& store) : m_store(store) {}

    /// The labels of style `listId` in the order they were added (the table's first column).
    Result<QList<StoredLabel>> labels(qint16 listId);

    /// The guests of style `listId` whose name contains `text` anywhere, in entry order. The text is
    /// taken literally: quotes, % and _ are ordinary characters; ASCII letters match in either case.
    Result<QList<GuestRow>> guestsNamed(qint16 listId, const QString& text);

private:
    CardStore& m_store;
};
