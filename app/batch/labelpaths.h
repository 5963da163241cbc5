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
    explicit LabelPaths(const QStringList& imagePaths, const QHash<int, int>& sharedLabels = {})
        : images(imagePaths), shared(sharedLabels)
    {
    }

    QString operator[](qsizetype row) const;
    qsizetype size() const { return images.size(); }
    // Every row whose label file this is; of two images that share one ("a.jpg" and "a.JPG")
    // only the first, the other being shown read only.
    std::vector<int> rowsOf(const QString& labelPath) const;
    // The earlier row whose label file this row's is, or -1.
    int sharedWith(qsizetype row) const { return shared.value(int(row), -1); }
    // The first of them, or -1.
    int indexOf(const QString& labelPath) const;

private:
    QStringList images;
    QHash<int, int> shared;
};

#endif
