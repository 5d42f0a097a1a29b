#include "core/store/LabelGridModel.h"

#include "core/store/NumberText.h"

#include <algorithm>

namespace {

constexpr int kColumns = 7;

const QVariant& cell(const LabelRow& row, LabelColumn column)
{
    switch (column) {
    case LabelColumn::Keywords:
        return row.keywords;
    case LabelColumn::KeyValue:
        return row.keyValue;
    case LabelColumn::KeyX:
        return row.keyX;
    case LabelColumn::KeyY:
        return row.keyY;
    case LabelColumn::KeyFont:
        return row.keyFont;
    case LabelColumn::KeyFontSize:
        return row.keyFontSize;
    case LabelColumn::KeyFontStyle:
        break;
    }
    return row.keyFontStyle;
}

QVariant& cell(LabelRow& row, LabelColumn column)
{
    return const_cast<QVariant&>(cell(static_cast<const LabelRow&>(row), column));
}

} // namespace

LabelGridModel::LabelGridModel(CardStore& store, QObject* parent)
    : QAbstractTableModel(parent), m_labels(store)
{
}

Status LabelGridModel::load(qint16 listId)
{
    m_listId = listId;
    return reload();
}

Status LabelGridModel::reload()
{
    Result<QList<LabelRow>> rows = m_labels.labels(m_listId);
    beginResetModel();
    m_rows = rows.isOk() ? rows.value() : QList<LabelRow>();
    m_currentRow = -1;
    endResetModel();
    return rows.isOk() ? Status::ok() : Status::failure(rows.error());
}

void LabelGridModel::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    const int before = m_currentRow;
    m_currentRow = row >= 0 && row < rowCount() ? row : -1;
    for (const int changed : {before, m_currentRow}) {
        if (changed >= 0)
            emit headerDataChanged(Qt::Vertical, changed, changed);
    }
}

Status LabelGridModel::deleteRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<qint64> ids;
    for (const int row : rows) {
        if (row >= 0 && row < rowCount())
            ids.append(m_rows.at(row).labelId);
    }
    if (ids.isEmpty())
        return Status::ok();
    if (Status s = m_labels.deleteLabels(ids); !s.isOk())
        return s;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (*it < 0 || *it >= rowCount())
            continue;
        beginRemoveRows(QModelIndex(), *it, *it);
        m_rows.removeAt(*it);
        endRemoveRows();
    }
    if (m_currentRow >= rowCount())
        m_currentRow = -1;
    return Status::ok();
}

int LabelGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LabelGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant LabelGridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    return storedText(cell(m_rows.at(index.row()), static_cast<LabelColumn>(index.column())));
}

QVariant LabelGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical) {
        // The record selector: an arrow on the current row.
        return section == m_currentRow ? QStringLiteral("▶") : QString();
    }
    static const char* const headings[kColumns] = {"标签名称", "标签打印内容", "打印横坐标", "打印纵坐标",
                                                   "打印字体", "字号",         "字体样式"};
    if (section < 0 || section >= kColumns)
        return QVariant();
    return QString::fromUtf8(headings[section]);
}

Qt::ItemFlags LabelGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

Result<QVariant> LabelGridModel::checkedValue(LabelColumn column, const QString& text) const
{
    switch (column) {
    case LabelColumn::KeyX:
    case LabelColumn::KeyY: {
        const std::optional<double> number = plainNumber(text.trimmed());
        if (!number) {
            const QString what =
                column == LabelColumn::KeyX ? QStringLiteral("打印横坐标") : QStringLiteral("打印纵坐标");
            return Status::failure(
                QStringLiteral("%1只能是数字（可带小数点和负号），“%2”未保存，请检查后重新输入。")
                    .arg(what, text));
        }
        return QVariant(*number);
    }
    case LabelColumn::KeyFontSize: {
        const QString trimmed = text.trimmed();
        const std::optional<double> number = plainNumber(trimmed);
        if (!number || *number <= 0) {
            return Status::failure(
                QStringLiteral("字号只能是大于零的数字，“%1”未保存，请检查后重新输入。").arg(text));
        }
        return QVariant(trimmed);
    }
    default:
        return QVariant(text);
    }
}

bool LabelGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const auto column = static_cast<LabelColumn>(index.column());
    LabelRow& row = m_rows[index.row()];
    const QString text = value.toString();
    if (text == storedText(cell(row, column)))
        return true; // nothing changed; nothing to write
    Result<QVariant> checked = checkedValue(column, text);
    if (!checked.isOk()) {
        emit editRefused(checked.error());
        return false;
    }
    if (Status s = m_labels.setLabelValue(row.labelId, column, checked.value()); !s.isOk()) {
        emit editRefused(s.error());
        return false;
    }
    cell(row, column) = checked.value();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}
