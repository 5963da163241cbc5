#ifndef QUADROTAG_EXPORTIMAGE_H
#define QUADROTAG_EXPORTIMAGE_H

#include "labelpath.h"
#include "quadgeometry.h"

#include <QSize>
#include <QString>

#include <utility>
#include <vector>

// One shape as it leaves the tool: corners in stored order, moved into the image.
struct ExportShape
{
    Quad corners;
    // Position of the shape's class in the ClassTable.
    int classIndex = -1;
    // Every other tag of the shape, in row-major order.
    std::vector<std::pair<int, int>> otherTags;
};

// One image with the shapes that passed the check.
struct ExportImage
{
    // Relative to the dataset folder, with "/" between folders.
    QString relativePath;
    // As the operator saw it, after the EXIF orientation.
    QSize size;
    int styleIndex = 0;
    std::vector<ExportShape> shapes;
};

#endif
