#include "ui/labels/StyleWordDelegate.h"

#include "core/cards/FontChoice.h"

#include <QComboBox>

QWidget* StyleWordDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const
{
    auto* words = new QComboBox(parent);
    for (const auto& [bold, italic] :
         {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}, std::pair{true, true}})
        words->addItem(fontStyleWord(bold, italic));
    return words;
}

void StyleWordDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* words = static_cast<QComboBox*>(editor);
    words->setCurrentIndex(words->findText(index.data(Qt::EditRole).toString()));
}

void StyleWordDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const
{
    const auto* words = static_cast<QComboBox*>(editor);
    if (words->currentIndex() >= 0) // nothing picked: an unknown stored word stays
        model->setData(index, words->currentText(), Qt::EditRole);
}
