#ifndef QUADROTAG_RECOVERYFILE_H
#define QUADROTAG_RECOVERYFILE_H

#include "imageannotation.h"

#include <QString>

#include <optional>
#include <string>

// The unsaved state of one image, kept beside its label file so that a crash loses
// nothing. It holds what the label file would hold after a save, in the same format.
class RecoveryFile
{
public:
    RecoveryFile() = default;
    explicit RecoveryFile(const QString& labelPath);

    // Replaces the file atomically; false when it could not be written.
    bool write(const std::string& bytes);
    void remove();
    // The state kept by an earlier run, if there is one that can be read.
    std::optional<ImageAnnotation> read() const;

    const QString& path() const { return filePath; }

private:
    QString filePath;
    // What this run last wrote, so that an unchanged state is not written again.
    std::string written;
    bool hasWritten = false;
};

#endif
