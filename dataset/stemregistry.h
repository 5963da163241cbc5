#ifndef QUADROTAG_STEMREGISTRY_H
#define QUADROTAG_STEMREGISTRY_H

#include <QString>
#include <QTemporaryDir>

// The image names that a walk has seen, one empty file each in a scratch folder, so that
// memory does not grow with the dataset: the text formats name an image's file by its stem.
class StemRegistry
{
public:
    explicit StemRegistry(const QString& scratchParent);

    bool isValid() const { return scratch.isValid(); }
    // True when nobody had the stem yet.
    bool claim(const QString& stem);

private:
    QTemporaryDir scratch;
};

#endif
