#ifndef QUADROTAG_STEMREGISTRY_H
#define QUADROTAG_STEMREGISTRY_H

#include <QString>
#include <QTemporaryDir>

// The image names that the text formats have given out, one small file each in a scratch
// folder, so that memory does not grow with the dataset.
class StemRegistry
{
public:
    explicit StemRegistry(const QString& scratchParent);

    bool isValid() const { return scratch.isValid(); }
    // True when nobody had the stem yet; false with the image that took it first.
    bool claim(const QString& stem, const QString& imagePath, QString& firstImagePath);

private:
    QTemporaryDir scratch;
};

#endif
