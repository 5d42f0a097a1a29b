#include "ui/labels/WordChoiceDelegate.h"

#include <QComboBox>

#include <utility>

WordChoiceDelegate::WordChoiceDelegate(QStringList words, QObject* parent)
    : QStyledItemDelegate(parent), m_words(std::move(words))
{
}

QWidget* WordChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex&) const
{
    auto* words = new QComboBox(parent);
    words->addItems(m_words);
    return words;
}

void WordChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* words = static_cast<QComboBox*>(editor);
    words->setCurrentIndex(words->findText(index.data(Qt::EditRole).toString()));
}

void WordChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const
{
    const auto* words = static_cast<QComboBox*>(editor);
    if (words->currentIndex() >= 0)
        model->setData(index, words->currentText(), Qt::EditRole);
}
