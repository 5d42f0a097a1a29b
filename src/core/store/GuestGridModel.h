// The guest grid of one style: six columns (name, sex, relation, job, contact, remark), one row per
// guest in the order the guests were entered. Only the guests' identities are read when the list is
// loaded; their texts are read page by page as the grid shows them, so a list of 100,000 guests
// opens at once. Changes made through GuestStore are mirrored row by row, without a reload.
#pragma once

#include "core/store/GuestStore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QVector>

#include <optional>

class GuestGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        SexColumn,
        ConnectionColumn,
        JobColumn,
        ContactColumn,
        RemarkColumn,
        ColumnCount
    };

    explicit GuestGridModel(GuestStore& guests, QObject* parent = nullptr);

    /// Shows the guests of style `listId`; on a failure the grid is left empty.
    Status load(qint16 listId);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The identity of the guest in `row`.
    qint64 guestId(int row) const { return m_ids.at(row); }
    /// The whole guest in `row`, read from the file if the grid has not shown it yet.
    std::optional<GuestRecord> guestAt(int row) const;
    /// The row showing guest `guestId`, or -1.
    int rowOf(qint64 guestId) const;

    /// A guest just added to the style: shown after the others.
    void appendGuest(const GuestRecord& record);
    /// A guest just changed: its row shows the new texts.
    void guestChanged(qint64 guestId, const GuestFields& fields);
    /// Guests just deleted: their rows go.
    void guestsRemoved(const QVector<qint64>& guestIds);
    /// The style's list was just cleared.
    void cleared();

signals:
    /// Reading a page of guests failed; the rows show empty until the next attempt.
    void readFailed(const QString& message) const;

private:
    bool fetchAround(int row) const;
    static QVariant columnValue(const GuestFields& fields, int column);

    GuestStore& m_guests;
    qint16 m_listId = 0;
    QVector<qint64> m_ids; // ascending: the order of entry
    mutable QHash<qint64, GuestRecord> m_cache;
    mutable bool m_readFailing = false;
};
