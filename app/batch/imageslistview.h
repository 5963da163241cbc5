#ifndef QUADROTAG_IMAGESLISTVIEW_H
#define QUADROTAG_IMAGESLISTVIEW_H

#include <QListView>

// The "Images" list: rows of one height, so a row whose mark or name changed is repainted
// where it stands instead of the whole list being laid out again, which for a million rows
// would cost more than the step to the next image.
class ImagesListView : public QListView
{
    Q_OBJECT

public:
    ImagesListView();

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};

#endif
