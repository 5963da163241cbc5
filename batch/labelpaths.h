#ifndef QUADROTAG_LABELPATHS_H
#define QUADROTAG_LABELPATHS_H

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// The label file of each image of the batch, derived when asked for rather than stored, so a
// batch of a million images holds its paths once.
class LabelPaths
{
public:
    LabelPaths() = default;
    explicit LabelPaths(const QStringList& imagePaths, const QHash<int, int>& sharedLabels = {},
                        const QHash<int, QString>& keepersOutside = {})
        : images(imagePaths), shared(sharedLabels), outsideKeepers(keepersOutside)
    {
    }

    QString operator[](qsizetype row) const;
    qsizetype size() const { return images.size(); }
    // Every row whose label file this is; of two images that share one ("a.jpg" and "a.JPG")
    // only the first, the other being shown read only.
    std::vector<int> rowsOf(const QString& labelPath) const;
    // The row that keeps this row's label file, or -1.
    int sharedWith(qsizetype row) const { return shared.value(int(row), -1); }
    // The file name of the image that keeps this row's label file, in the batch or not;
    // empty when the row keeps its own.
    QString keeperOf(qsizetype row) const;
    // The first of them, or -1.
    int indexOf(const QString& labelPath) const;

private:
    QStringList images;
    QHash<int, int> shared;
    QHash<int, QString> outsideKeepers;
};

#endif
