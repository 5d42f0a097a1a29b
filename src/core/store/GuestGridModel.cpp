#include "core/store/GuestGridModel.h"

#include "core/store/PrintRecordStore.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kPageRows = 200;
// Texts kept in memory at most; scrolling through a long list drops them and reads again.
constexpr int kCachedRows = 20 * kPageRows;

const char* const kHeaders[] = {"宾客姓名", "性别", "关系", "职业", "联系方式", "备注",
                                "称谓",     "同行", "桌号", "人数", "打印状态"};
static_assert(std::size(kHeaders) == GuestGridModel::ColumnCount);

// The grid's columns that sort, in the order of GuestGridModel::Column.
const GuestSortKey kSortKeys[] = {GuestSortKey::Name,       GuestSortKey::Sex,     GuestSortKey::Connection,
                                  GuestSortKey::Job,        GuestSortKey::Contact, GuestSortKey::Remark,
                                  GuestSortKey::Salutation, GuestSortKey::Partner, GuestSortKey::Table,
                                  GuestSortKey::Attending};

// The states a filter shows; empty for every guest.
QList<CardState> statesOf(GuestGridModel::Filter filter)
{
    switch (filter) {
    case GuestGridModel::Filter::Queued:
        return {CardState::Queued, CardState::Sending};
    case GuestGridModel::Filter::Printed:
        return {CardState::Printed};
    case GuestGridModel::Filter::Failed:
        return {CardState::Failed};
    case GuestGridModel::Filter::Spoiled:
        return {CardState::Spoiled};
    case GuestGridModel::Filter::All:
    case GuestGridModel::Filter::NotPrinted:
        break;
    }
    return {};
}

} // namespace

GuestGridModel::GuestGridModel(GuestStore& guests, PrintRecordStore& records, QObject* parent)
    : QAbstractTableModel(parent), m_guests(guests), m_records(records)
{
}

Status GuestGridModel::load(qint16 listId)
{
    m_listId = listId;
    m_sortColumn = -1;
    const Result<QVector<qint64>> ids = filteredIds();
    beginResetModel();
    m_cache.clear();
    m_cards.clear();
    m_readFailing = false;
    m_ids = ids.isOk() ? ids.value() : QVector<qint64>();
    m_rowOf.clear();
    endResetModel();
    return ids.isOk() ? Status::ok() : Status::failure(ids.error());
}

Result<QVector<qint64>> GuestGridModel::filteredIds() const
{
    const Result<QVector<qint64>> all =
        m_sortColumn < 0 ? m_guests.ids(m_listId)
                         : m_guests.sortedIds(m_listId, kSortKeys[m_sortColumn], m_sortOrder);
    if (m_filter == Filter::All || !all.isOk())
        return all;
    const Result<QVector<qint64>> carded =
        m_filter == Filter::NotPrinted ? m_records.guestsWithCards(m_listId)
                                       : m_records.guestsWhoseLastCardIs(m_listId, statesOf(m_filter));
    if (!carded.isOk())
        return carded;
    QVector<qint64> shown;
    shown.reserve(m_filter == Filter::NotPrinted ? all.value().size() : carded.value().size());
    if (m_sortColumn >= 0) {
        // Sorted, the rows keep the sort's order and lose the guests the filter leaves out.
        const auto inCarded = [&carded](qint64 id) {
            return std::binary_search(carded.value().cbegin(), carded.value().cend(), id);
        };
        const bool wantCarded = m_filter != Filter::NotPrinted;
        std::copy_if(all.value().cbegin(), all.value().cend(), std::back_inserter(shown),
                     [&](qint64 id) { return inCarded(id) == wantCarded; });
        return shown;
    }
    // Both lists ascend: the guests wanted are found in one pass over them.
    if (m_filter == Filter::NotPrinted)
        std::set_difference(all.value().cbegin(), all.value().cend(), carded.value().cbegin(),
                            carded.value().cend(), std::back_inserter(shown));
    else
        std::set_intersection(all.value().cbegin(), all.value().cend(), carded.value().cbegin(),
                              carded.value().cend(), std::back_inserter(shown));
    return shown;
}

Status GuestGridModel::setFilter(Filter filter)
{
    if (filter == m_filter)
        return Status::ok();
    const Filter before = m_filter;
    m_filter = filter;
    const Result<QVector<qint64>> ids = filteredIds();
    if (!ids.isOk()) {
        m_filter = before;
        return Status::failure(ids.error());
    }
    setRows(std::move(ids.value()), m_sortColumn);
    return Status::ok();
}

Status GuestGridModel::recordChanged()
{
    m_cache.clear();
    m_cards.clear();
    if (m_filter == Filter::All) {
        // The same rows: only what they show changes, and the selection stays.
        if (!m_ids.isEmpty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        return Status::ok();
    }
    Result<QVector<qint64>> ids = filteredIds();
    setRows(ids.isOk() ? std::move(ids.value()) : QVector<qint64>(), m_sortColumn);
    return ids.isOk() ? Status::ok() : Status::failure(ids.error());
}

void GuestGridModel::setRows(QVector<qint64> ids, int sortColumn)
{
    // The texts read so far stay: only the order changes.
    beginResetModel();
    m_ids = std::move(ids);
    m_sortColumn = sortColumn;
    m_rowOf.clear();
    endResetModel();
}

void GuestGridModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= static_cast<int>(std::size(kSortKeys)))
        return; // 打印状态 keeps the rows as they are
    const int beforeColumn = m_sortColumn;
    const Qt::SortOrder beforeOrder = m_sortOrder;
    m_sortColumn = column;
    m_sortOrder = order;
    Result<QVector<qint64>> ids = filteredIds();
    if (!ids.isOk()) {
        m_sortColumn = beforeColumn;
        m_sortOrder = beforeOrder;
        emit readFailed(ids.error());
        return;
    }
    setRows(std::move(ids.value()), column);
}

Status GuestGridModel::showEntryOrder()
{
    const int before = m_sortColumn;
    m_sortColumn = -1;
    Result<QVector<qint64>> ids = filteredIds();
    if (!ids.isOk()) {
        m_sortColumn = before;
        return Status::failure(ids.error());
    }
    setRows(std::move(ids.value()), -1);
    return Status::ok();
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
    case SalutationColumn:
        return fields.salutation;
    case PartnerColumn:
        return fields.partner;
    case TableColumn:
        return fields.table;
    case AttendingColumn:
        return fields.attending;
    default:
        return QVariant();
    }
}

QVariant GuestGridModel::cardValue(qint64 guestId, int role) const
{
    const auto card = m_cards.constFind(guestId);
    if (card == m_cards.constEnd()) {
        if (role == Qt::ForegroundRole)
            return QBrush(QColor(128, 128, 128));
        return role == Qt::DisplayRole ? QStringLiteral("未打印") : QVariant();
    }
    const QString state = CardStates::text(card->state);
    // "yyyy-MM-dd HH:mm:ss.zzz" shown as "MM-dd HH:mm".
    const QString when = card->sentAt.mid(5, 11);
    switch (role) {
    case Qt::DisplayRole:
        return card->jobUnknown ? QStringLiteral("%1（未确认） %2").arg(state, when)
                                : QStringLiteral("%1 %2").arg(state, when);
    case Qt::ForegroundRole:
        if (card->state == CardState::Failed)
            return QBrush(QColor(176, 0, 0));
        if (card->state == CardState::Spoiled)
            return QBrush(QColor(128, 128, 128));
        return QVariant();
    case Qt::ToolTipRole: {
        QStringList lines{QStringLiteral("%1，%2").arg(state, card->sentAt.left(19))};
        QString printer = QStringLiteral("打印机：%1").arg(card->printer);
        if (card->jobId > 0)
            printer += QStringLiteral("，打印任务 %1").arg(card->jobId);
        lines << printer << QStringLiteral("印上的姓名：%1").arg(card->name);
        if (card->jobUnknown) {
            lines << (card->state == CardState::Sending
                          ? QStringLiteral(
                                "程序在交出这张请柬时停止了，打印系统里找不到它的任务，无法确认是否已送出。")
                          : QStringLiteral(
                                "打印系统已不记得这项任务（它的记录已被清除），这里是最后知道的状态。"));
        }
        if (!card->note.isEmpty())
            lines << QStringLiteral("打印系统的说明：%1").arg(card->note);
        return lines.join(QLatin1Char('\n'));
    }
    default:
        return QVariant();
    }
}

QVariant GuestGridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const bool cardColumn = index.column() == PrintStateColumn;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && !(cardColumn && role == Qt::ForegroundRole))
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
    if (cardColumn)
        return cardValue(id, role);
    return role == Qt::ForegroundRole ? QVariant() : columnValue(found->fields, index.column());
}

QVariant GuestGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal)
        return QStringLiteral("点击按这一列排序，再次点击倒序，第三次点击恢复录入顺序。");
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
    if (m_cache.size() >= kCachedRows) {
        m_cache.clear();
        m_cards.clear();
    }
    const int first = row - row % kPageRows;
    const int last = std::min(first + kPageRows, static_cast<int>(m_ids.size())) - 1;
    const QVector<qint64> ids = m_ids.mid(first, last - first + 1);
    // In the order of entry with every guest shown a page is a range of identities; filtered or
    // sorted, the rows may lie far apart.
    const Result<QVector<GuestRecord>> page = m_filter == Filter::All && m_sortColumn < 0
                                                  ? m_guests.range(m_listId, m_ids.at(first), m_ids.at(last))
                                                  : m_guests.byIds(m_listId, ids);
    Result<QHash<qint64, PrintRecord>> cards = QHash<qint64, PrintRecord>();
    if (page.isOk())
        cards = m_records.lastCards(m_listId, ids);
    if (!page.isOk() || !cards.isOk()) {
        // Painting asks again and again; the user hears of it once until reading works again.
        if (!m_readFailing) {
            m_readFailing = true;
            emit readFailed(page.isOk() ? cards.error() : page.error());
        }
        return false;
    }
    m_readFailing = false;
    for (const GuestRecord& record : page.value())
        m_cache.insert(record.id, record);
    for (auto card = cards.value().cbegin(); card != cards.value().cend(); ++card)
        m_cards.insert(card.key(), card.value());
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

std::optional<PrintRecord> GuestGridModel::lastCard(int row) const
{
    if (!guestAt(row))
        return std::nullopt;
    const auto card = m_cards.constFind(m_ids.at(row));
    return card == m_cards.constEnd() ? std::nullopt : std::optional<PrintRecord>(card.value());
}

int GuestGridModel::rowOf(qint64 guestId) const
{
    if (m_sortColumn < 0) {
        const auto it = std::lower_bound(m_ids.cbegin(), m_ids.cend(), guestId);
        return it != m_ids.cend() && *it == guestId ? static_cast<int>(it - m_ids.cbegin()) : -1;
    }
    if (m_rowOf.isEmpty()) {
        m_rowOf.reserve(m_ids.size());
        for (int row = 0; row < m_ids.size(); ++row)
            m_rowOf.insert(m_ids.at(row), row);
    }
    return m_rowOf.value(guestId, -1);
}

void GuestGridModel::appendGuest(const GuestRecord& record)
{
    // A new guest has no card yet: shown where guests without one are.
    if (m_filter != Filter::All && m_filter != Filter::NotPrinted)
        return;
    if (rowOf(record.id) >= 0)
        return;
    // Identities only grow, so a new guest lands at the end; the search keeps the order regardless.
    // Sorted, it is shown at the end too, where the user sees it, until the next sort.
    int row = static_cast<int>(m_ids.size());
    if (m_sortColumn < 0)
        row = static_cast<int>(std::lower_bound(m_ids.cbegin(), m_ids.cend(), record.id) - m_ids.cbegin());
    beginInsertRows(QModelIndex(), row, row);
    m_ids.insert(row, record.id);
    m_cache.insert(record.id, record);
    if (!m_rowOf.isEmpty())
        m_rowOf.insert(record.id, row);
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
        m_rowOf.clear(); // the rows below have moved up
        endRemoveRows();
        end = start;
    }
}

void GuestGridModel::cleared()
{
    beginResetModel();
    m_ids.clear();
    m_cache.clear();
    m_cards.clear();
    m_rowOf.clear();
    endResetModel();
}
