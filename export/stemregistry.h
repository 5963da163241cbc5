#ifndef QUADROTAG_STEMREGISTRY_H
#define QUADROTAG_STEMREGISTRY_H

#include <QString>
#include <QTemporaryDir>

// The image names that a check for a text format has seen, one empty file each in a scratch
// folder, so that memory does not grow with the dataset.
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
