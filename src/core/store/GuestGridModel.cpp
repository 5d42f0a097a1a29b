#include "core/store/GuestGridModel.h"

#include <algorithm>

namespace {

constexpr int kPageRows = 200;
// Texts kept in memory at most; scrolling through a long list drops them and reads again.
constexpr int kCachedRows = 20 * kPageRows;

const char* const kHeaders[] = {"宾客姓名", "性别", "关系", "职业", "联系方式", "备注"};

} // namespace

GuestGridModel::GuestGridModel(GuestStore& guests, QObject* parent)
    : QAbstractTableModel(parent), m_guests(guests)
{
}

Status GuestGridModel::load(qint16 listId)
{
    const Result<QVector<qint64>> ids = m_guests.ids(listId);
    beginResetModel();
    m_listId = listId;
    m_cache.clear();
    m_readFailing = false;
    m_ids = ids.isOk() ? ids.value() : QVector<qint64>();
    endResetModel();
    return ids.isOk() ? Status::ok() : Status::failure(ids.error());
}

int GuestGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
}

int GuestGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GuestGridModel::columnValue(const GuestFields& fields, int column)
{
    switch (column) {
    case NameColumn:
        return fields.name;
    case SexColumn:
        return fields.sex;
    case ConnectionColumn:
        return fields.connection;
    case JobColumn:
        return fields.job;
    case ContactColumn:
        return fields.contact;
    case RemarkColumn:
        return fields.remark;
    default:
        return QVariant();
    }
}

QVariant GuestGridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const qint64 id = m_ids.at(index.row());
    auto found = m_cache.constFind(id);
    if (found == m_cache.constEnd()) {
        if (!fetchAround(index.row()))
            return QVariant();
        found = m_cache.constFind(id);
        if (found == m_cache.constEnd())
            return QVariant();
    }
    return columnValue(found->fields, index.column());
}

QVariant GuestGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < ColumnCount ? QString::fromUtf8(kHeaders[section]) : QVariant();
    return section + 1;
}

Qt::ItemFlags GuestGridModel::flags(const QModelIndex& index) const
{
    // Guests are changed through the input fields, never in the grid itself.
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

bool GuestGridModel::fetchAround(int row) const
{
    if (m_cache.size() >= kCachedRows)
        m_cache.clear();
    const int first = row - row % kPageRows;
    const int last = std::min(first + kPageRows, static_cast<int>(m_ids.size())) - 1;
    const Result<QVector<GuestRecord>> page = m_guests.range(m_listId, m_ids.at(first), m_ids.at(last));
    if (!page.isOk()) {
        // Painting asks again and again; the user hears of it once until reading works again.
        if (!m_readFailing) {
            m_readFailing = true;
            emit readFailed(page.error());
        }
        return false;
    }
    m_readFailing = false;
    for (const GuestRecord& record : page.value())
        m_cache.insert(record.id, record);
    // A guest that has vanished from the file shows empty rather than being read again and again.
    for (int r = first; r <= last; ++r) {
        if (!m_cache.contains(m_ids.at(r))) {
            GuestRecord gone;
            gone.id = m_ids.at(r);
            m_cache.insert(gone.id, gone);
        }
    }
    return true;
}

std::optional<GuestRecord> GuestGridModel::guestAt(int row) const
{
    if (row < 0 || row >= m_ids.size())
        return std::nullopt;
    const qint64 id = m_ids.at(row);
    if (!m_cache.contains(id) && !fetchAround(row))
        return std::nullopt;
    return m_cache.value(id);
}

int GuestGridModel::rowOf(qint64 guestId) const
{
    const auto it = std::lower_bound(m_ids.cbegin(), m_ids.cend(), guestId);
    return it != m_ids.cend() && *it == guestId ? static_cast<int>(it - m_ids.cbegin()) : -1;
}

void GuestGridModel::appendGuest(const GuestRecord& record)
{
    // Identities only grow, so a new guest lands at the end; the search keeps the order regardless.
    const auto at = std::lower_bound(m_ids.cbegin(), m_ids.cend(), record.id);
    if (at != m_ids.cend() && *at == record.id)
        return;
    const int row = static_cast<int>(at - m_ids.cbegin());
    beginInsertRows(QModelIndex(), row, row);
    m_ids.insert(row, record.id);
    m_cache.insert(record.id, record);
    endInsertRows();
}

void GuestGridModel::guestChanged(qint64 guestId, const GuestFields& fields)
{
    const int row = rowOf(guestId);
    if (row < 0)
        return;
    auto cached = m_cache.find(guestId);
    if (cached != m_cache.end())
        cached->fields = fields;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DisplayRole});
}

void GuestGridModel::guestsRemoved(const QVector<qint64>& guestIds)
{
    QVector<int> rows;
    for (const qint64 id : guestIds) {
        const int row = rowOf(id);
        if (row >= 0)
            rows.append(row);
        m_cache.remove(id);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the bottom up, one run of neighbouring rows at a time.
    int end = static_cast<int>(rows.size());
    while (end > 0) {
        int start = end - 1;
        while (start > 0 && rows.at(start - 1) == rows.at(start) - 1)
            --start;
        const int firstRow = rows.at(start);
        const int lastRow = rows.at(end - 1);
        beginRemoveRows(QModelIndex(), firstRow, lastRow);
        m_ids.remove(firstRow, lastRow - firstRow + 1);
        endRemoveRows();
        end = start;
    }
}

void GuestGridModel::cleared()
{
    beginResetModel();
    m_ids.clear();
    m_cache.clear();
    endResetModel();
}
