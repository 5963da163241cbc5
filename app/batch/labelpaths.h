#ifndef QUADROTAG_LABELPATHS_H
#define QUADROTAG_LABELPATHS_H

#include <QString>
#include <QStringList>

#include <vector>

// The label file of each image of the batch, derived when asked for rather than stored, so a
// batch of a million images holds its paths once.
class LabelPaths
{
public:
    LabelPaths() = default;
    explicit LabelPaths(const QStringList& imagePaths) : images(imagePaths) {}

    QString operator[](qsizetype row) const;
    qsizetype size() const { return images.size(); }
    // Every row whose label file this is: two images may share one ("a.jpg" and "a.JPG").
    std::vector<int> rowsOf(const QString& labelPath) const;
    // The first of them, or -1.
    int indexOf(const QString& labelPath) const;

private:
    QStringList images;
};

#endif
