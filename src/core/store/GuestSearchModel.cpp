#include "core/store/GuestSearchModel.h"

namespace {

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

} // namespace

Status GuestSearchModel::search(CardStore& store, qint16 listId, const QString& text)
{
    Result<QList<GuestRow>> found = PrintQueries(store).guestsNamed(listId, text);
    beginResetModel();
    m_rows = found.isOk() ? std::move(found.value()) : QList<GuestRow>();
    endResetModel();
    return found.isOk() ? Status::ok() : Status::failure(found.error());
}

int GuestSearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GuestSearchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GuestSearchModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || role != Qt::DisplayRole)
        return {};
    const GuestFields& guest = m_rows.at(index.row()).fields;
    switch (index.column()) {
    case NameColumn:
        return guest.name;
    case SexColumn:
        return guest.sex;
    case ConnectionColumn:
        return guest.connection;
    case JobColumn:
        return guest.job;
    case ContactColumn:
        return guest.contact;
    case RemarkColumn:
        return guest.remark;
    default:
        return {};
    }
}

QVariant GuestSearchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const titles[ColumnCount] = {"宾客姓名", "性别", "关系", "职业", "联系方式", "备注"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromUtf8(titles[section]);
}
