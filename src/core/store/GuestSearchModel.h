// The guests found by part of a name, as a read-only table for the named-guest search grid.
#pragma once

#include "core/store/PrintQueries.h"

#include <QAbstractTableModel>

class GuestSearchModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Runs the search and shows its result; on failure the model is left empty.
    Status search(CardStore& store, qint16 listId, const QString& text);

    const GuestRow& guest(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<GuestRow> m_rows;
};
