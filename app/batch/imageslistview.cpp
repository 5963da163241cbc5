#include "imageslistview.h"

ImagesListView::ImagesListView()
{
    setUniformItemSizes(true);
}

void ImagesListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QList<int>& roles)
{
    // The list view's own handler lays every row out again; the item view's repaints the rows.
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}
