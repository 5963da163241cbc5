#include "tagcelldelegate.h"

const QColor TagCellDelegate::textColor{20, 20, 20};

void TagCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // A cell's own text colour, dimmed by a search, stays.
    if (!index.data(Qt::ForegroundRole).isValid())
        option->palette.setColor(QPalette::Text, textColor);
}
