// The editor of a label grid column that takes one of a few words (对齐: 左 中 右; 排列: 横排 竖排):
// a drop-down of those words, so that no other word can be typed in.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

class WordChoiceDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    WordChoiceDelegate(QStringList words, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QStringList m_words;
};
