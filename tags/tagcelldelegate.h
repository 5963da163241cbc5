#ifndef QUADROTAG_TAGCELLDELEGATE_H
#define QUADROTAG_TAGCELLDELEGATE_H

#include <QColor>
#include <QStyledItemDelegate>

// Draws the tag table's cells as the style does, but their text in dark letters: every cell
// with text has a light kind colour, on which a dark palette's light text would vanish.
class TagCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static const QColor textColor;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

#endif
