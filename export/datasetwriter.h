#ifndef QUADROTAG_DATASETWRITER_H
#define QUADROTAG_DATASETWRITER_H

#include "exportimage.h"

#include <QString>

// One export format. Nothing it writes shows in the output folder before commit():
// a writer destroyed without commit leaves the folder as it found it.
class DatasetWriter
{
public:
    virtual ~DatasetWriter() = default;

    // Creates the output folder if missing and prepares the writing; false with a reason
    // when the folder cannot be written.
    virtual bool open(QString& error) = 0;
    // Formats that name each image's file by its stem take the name here: false when an
    // earlier image has it.
    virtual bool claimName(const QString& stem)
    {
        Q_UNUSED(stem);
        return true;
    }
    // False when writing failed; the writer then takes no more images.
    virtual bool addImage(const ExportImage& image) = 0;
    virtual bool commit(QString& error) = 0;
    // What the summary names as the result: a file or a folder.
    virtual QString target() const = 0;
};

#endif
