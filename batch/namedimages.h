#ifndef QUADROTAG_NAMEDIMAGES_H
#define QUADROTAG_NAMEDIMAGES_H

#include "batchfiles.h"

#include <QString>
#include <QStringList>

#include <functional>

// Files named to be opened as images, sorted out one by one without listing their folders:
// an image by its name (an image suffix in any case) and by its first bytes, and the rest.
struct NamedImages
{
    QStringList images;
    QStringList refused;

    // "Left out, not images: a.lbl, notes.txt"; empty when nothing was.
    QString refusalNote() const;
};

NamedImages sortOutNamedImages(const QStringList& files);

// Named files as a worker finds them: the images of this project with the state of their label
// files, proposals and twins, and the files left out, as not images or as another project's.
struct NamedBatch
{
    BatchFiles batch;
    QStringList refused;
    QStringList ofOtherProjects;
};
// otherProjects: which of these images belong to another project, each looked at on the disk.
using OtherProjects = std::function<QStringList(const QStringList& images)>;
NamedBatch findNamedBatch(const QStringList& files, const OtherProjects& otherProjects);

#endif
