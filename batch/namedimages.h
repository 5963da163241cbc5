#ifndef QUADROTAG_NAMEDIMAGES_H
#define QUADROTAG_NAMEDIMAGES_H

#include <QString>
#include <QStringList>

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

#endif
