#include "core/store/LabelGridModel.h"

#include "core/cards/CardFields.h"
#include "core/cards/FontChoice.h"
#include "core/store/NumberText.h"

#include <algorithm>

namespace {

constexpr int kColumns = 10;

// A label's value in a grid column, as the cell shows and edits it.
QString cellText(const Label& label, LabelColumn column)
{
    switch (column) {
    case LabelColumn::Keywords:
        return label.name;
    case LabelColumn::KeyValue:
        return label.text;
    case LabelColumn::KeyX:
        return storedText(label.xMm);
    case LabelColumn::KeyY:
        return storedText(label.yMm);
    case LabelColumn::KeyFont:
        return label.fontName;
    case LabelColumn::KeyFontSize:
        return label.fontSize;
    case LabelColumn::KeyFontStyle:
        break;
    case LabelColumn::KeyAnchor:
        return Placement::anchorWord(label.placement.anchor);
    case LabelColumn::KeyFitWidth:
        return label.placement.hasFitWidth() ? storedText(label.placement.fitWidthMm) : QString();
    case LabelColumn::KeyVertical:
        return Placement::writingWord(label.placement.vertical);
    }
    return label.styleWord;
}

// Takes a value that was written to the database into the label the grid holds.
void setCell(Label& label, LabelColumn column, const QVariant& value)
{
    switch (column) {
    case LabelColumn::Keywords:
        label.name = value.toString();
        break;
    case LabelColumn::KeyValue:
        label.text = value.toString();
        break;
    case LabelColumn::KeyX:
        label.xMm = value.toDouble();
        break;
    case LabelColumn::KeyY:
        label.yMm = value.toDouble();
        break;
    case LabelColumn::KeyFont:
        label.fontName = value.toString();
        break;
    case LabelColumn::KeyFontSize:
        label.fontSize = value.toString();
        break;
    case LabelColumn::KeyFontStyle:
        label.styleWord = value.toString();
        break;
    case LabelColumn::KeyAnchor:
        label.placement.anchor = Placement::anchorFromStored(value.toInt());
        break;
    case LabelColumn::KeyFitWidth:
        label.placement.fitWidthMm = value.isNull() ? 0 : value.toDouble();
        break;
    case LabelColumn::KeyVertical:
        label.placement.vertical = value.toInt() == 1;
        break;
    }
}

} // namespace

LabelGridModel::LabelGridModel(CardStore& store, QObject* parent)
    : QAbstractTableModel(parent), m_labels(store)
{
}

Status LabelGridModel::load(qint16 listId, const QString& styleName)
{
    m_listId = listId;
    m_styleName = styleName;
    return reload();
}

Status LabelGridModel::reload()
{
    Result<QList<Label>> rows = m_labels.labels(m_listId, m_styleName);
    beginResetModel();
    m_rows = rows.isOk() ? rows.value() : QList<Label>();
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
            ids.append(m_rows.at(row).id);
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
    // The window may cut a long text short; the whole of it shows when the pointer rests on it.
    if (role == Qt::ToolTipRole && (index.column() == static_cast<int>(LabelColumn::KeyValue) ||
                                    index.column() == static_cast<int>(LabelColumn::Keywords)))
        return cellText(m_rows.at(index.row()), static_cast<LabelColumn>(index.column()));
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const auto column = static_cast<LabelColumn>(index.column());
    const QString text = cellText(m_rows.at(index.row()), column);
    // The face the label prints in, where it is not the one the name says.
    if (role == Qt::DisplayRole && column == LabelColumn::KeyFont)
        return faceNameShown(text);
    return text;
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
                                                   "打印字体", "字号",         "字体样式",   "对齐",
                                                   "限宽",     "排列"};
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

Result<QVariant> LabelGridModel::checkedValue(const Label& row, LabelColumn column, const QString& text) const
{
    switch (column) {
    case LabelColumn::KeyX:
    case LabelColumn::KeyY: {
        const QString what =
            column == LabelColumn::KeyX ? QStringLiteral("打印横坐标") : QStringLiteral("打印纵坐标");
        const std::optional<double> number = plainNumber(text.trimmed());
        if (!number) {
            return Status::failure(
                QStringLiteral("%1只能是数字（可带小数点和负号），“%2”未保存，请检查后重新输入。")
                    .arg(what, text));
        }
        // Only a new value is held to the range: a stored one, even one moved far out, stays as it is.
        const double stored = column == LabelColumn::KeyX ? row.xMm : row.yMm;
        if (*number != stored && !kSignedPositionMm.contains(*number)) {
            return Status::failure(QStringLiteral("%1必须在 %2之间，“%3”未保存，请检查后重新输入。")
                                       .arg(what, kSignedPositionMm.text(QStringLiteral("毫米")), text));
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
        if (*number != plainNumber(row.fontSize.trimmed()) && !kFontPoints.contains(*number)) {
            return Status::failure(
                QStringLiteral("字号必须大于 0、不超过 %1 磅，“%2”未保存，请检查后重新输入。")
                    .arg(QString::number(kFontPoints.max), text));
        }
        return QVariant(trimmed);
    }
    case LabelColumn::KeyValue:
        if (const QString refused = CardFields::refusal(text, QStringLiteral("标签打印内容“%1”").arg(text));
            !refused.isEmpty())
            return Status::failure(refused);
        return QVariant(text);
    case LabelColumn::KeyFontStyle:
        if (!fontStyleFlags(text)) {
            return Status::failure(
                QStringLiteral("字体样式只能是“常规”、“粗体”、“斜体”或“粗斜体”，“%1”未保存。").arg(text));
        }
        return QVariant(text);
    case LabelColumn::KeyAnchor:
        if (const std::optional<TextAnchor> anchor = Placement::anchorOf(text))
            return QVariant(static_cast<int>(*anchor));
        return Status::failure(QStringLiteral("对齐只能是“左”、“中”或“右”，“%1”未保存。").arg(text));
    case LabelColumn::KeyVertical:
        if (const std::optional<bool> vertical = Placement::verticalOf(text))
            return QVariant(*vertical ? 1 : 0);
        return Status::failure(QStringLiteral("排列只能是“横排”或“竖排”，“%1”未保存。").arg(text));
    case LabelColumn::KeyFitWidth: {
        const std::optional<double> number = fitWidthNumber(text);
        if (number == 0.0)
            return QVariant(); // no fit width
        if (!number) {
            return Status::failure(QStringLiteral("限宽只能是大于零的数字（毫米），不限宽请留空，“%1”未保存，"
                                                  "请检查后重新输入。")
                                       .arg(text));
        }
        if (*number != row.placement.fitWidthMm && !kFitWidthMm.contains(*number)) {
            return Status::failure(
                QStringLiteral("限宽必须大于 0、不超过 %1 毫米，“%2”未保存，请检查后重新输入。")
                    .arg(QString::number(kFitWidthMm.max), text));
        }
        return QVariant(*number);
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
    Label& row = m_rows[index.row()];
    const QString text = value.toString();
    if (text == cellText(row, column))
        return true; // nothing changed; nothing to write
    Result<QVariant> checked = checkedValue(row, column, text);
    if (!checked.isOk()) {
        emit editRefused(checked.error());
        return false;
    }
    if (Status s = m_labels.setLabelValue(row.id, column, checked.value()); !s.isOk()) {
        emit editRefused(s.error());
        return false;
    }
    setCell(row, column, checked.value());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}
