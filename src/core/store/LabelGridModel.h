// The label grid of the settings window: a style's labels, oldest first, editable in place. An edit
// is written to the database at once; one that would put something other than a number into a
// position or a size, or a new position or size out of range, is refused with a message and the
// cell keeps its value.
#pragma once

#include "core/store/LabelStore.h"

#include <QAbstractTableModel>
#include <QList>

class LabelGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit LabelGridModel(CardStore& store, QObject* parent = nullptr);

    /// Reads the labels of style `listId` (named `styleName` in messages) afresh.
    Status load(qint16 listId, const QString& styleName);
    /// Reads the labels of the style last loaded afresh.
    Status reload();

    const Label& labelAt(int row) const { return m_rows.at(row); }

    /// Marks the row shown with the record-selector arrow (-1 for none).
    void setCurrentRow(int row);

    /// Deletes the labels shown in `rows` from the database and from the grid, all or nothing.
    Status deleteRows(QList<int> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    /// An edit was not written; `message` tells the user why.
    void editRefused(const QString& message);

private:
    /// The checked value to store for an edit of `row`, or a message saying why it is refused.
    Result<QVariant> checkedValue(const Label& row, LabelColumn column, const QString& text) const;

    LabelStore m_labels;
    qint16 m_listId = 0;
    QString m_styleName;
    QList<Label> m_rows;
    int m_currentRow = -1;
};
