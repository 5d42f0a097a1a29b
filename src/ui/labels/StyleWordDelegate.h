// The editor of the label grid's font-style column: a drop-down of the four style words, so that
// no other word can be typed in. A stored word that is none of them is shown as it is and kept
// unless another one is picked.
#pragma once

#include <QStyledItemDelegate>

class StyleWordDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};
