// The guest grid of one style: ten columns (name, sex, relation, job, contact, remark, then 称谓,
// 同行, 桌号, 人数) and the state of each guest's last card (打印状态), one row per guest in the order
// the guests were entered or sorted by any column but the last, all of them or those whose last card
// is in one state. Only the guests' identities are read when the list is loaded, filtered or sorted;
// their texts and cards are read page by page as the grid shows them, so a list of 100,000 guests
// opens at once. Changes made through GuestStore are mirrored row by row, without a reload.
#pragma once

#include "core/store/GuestStore.h"
#include "core/store/PrintRecord.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QVector>

#include <optional>

class PrintRecordStore;

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
        SalutationColumn,
        PartnerColumn,
        TableColumn,
        AttendingColumn,
        PrintStateColumn,
        ColumnCount
    };
    /// Which guests the grid shows, by their last card.
    enum class Filter
    {
        All,
        NotPrinted, // 未打印: no card yet
        Queued,     // 已排队 (or 发送中)
        Printed,    // 已打印
        Failed,     // 失败
        Spoiled     // 作废
    };

    GuestGridModel(GuestStore& guests, PrintRecordStore& records, QObject* parent = nullptr);

    /// Shows the guests of style `listId` that pass the filter, in the order of entry; on a failure
    /// the grid is left empty.
    Status load(qint16 listId);
    /// Shows only the guests whose last card is as `filter` says; on a failure every guest shows.
    Status setFilter(Filter filter);
    Filter filter() const { return m_filter; }
    /// The print record changed: the column and the filter are read again.
    Status recordChanged();

    /// Puts the rows in the order of `column`; guests with equal values keep the order of entry.
    /// 打印状态 does not sort. On a failure the rows stay as they were and readFailed tells why.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// Puts the rows back in the order of entry.
    Status showEntryOrder();
    /// The column the rows are sorted by, or -1 for the order of entry.
    int sortColumn() const { return m_sortColumn; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The identity of the guest in `row`.
    qint64 guestId(int row) const { return m_ids.at(row); }
    /// The last card of the guest in `row`, if the guest has one.
    std::optional<PrintRecord> lastCard(int row) const;
    /// The whole guest in `row`, read from the file if the grid has not shown it yet.
    std::optional<GuestRecord> guestAt(int row) const;
    /// The row showing guest `guestId`, or -1.
    int rowOf(qint64 guestId) const;

    /// A guest just added to the style: shown after the others, in whatever order they are.
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
    QVariant cardValue(qint64 guestId, int role) const;
    /// The guests of the style that pass the filter, in the order of entry or of the sort.
    Result<QVector<qint64>> filteredIds() const;
    void setRows(QVector<qint64> ids, int sortColumn);

    GuestStore& m_guests;
    PrintRecordStore& m_records;
    qint16 m_listId = 0;
    Filter m_filter = Filter::All;
    QVector<qint64> m_ids; // the rows' guests: ascending (the order of entry) unless sorted
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    mutable QHash<qint64, int> m_rowOf; // the row of each guest while sorted; built when first needed
    mutable QHash<qint64, GuestRecord> m_cache;
    mutable QHash<qint64, PrintRecord> m_cards; // last cards of the guests in m_cache that have one
    mutable bool m_readFailing = false;
};
