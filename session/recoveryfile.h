#ifndef QUADROTAG_RECOVERYFILE_H
#define QUADROTAG_RECOVERYFILE_H

#include "imageannotation.h"

#include <QString>

#include <optional>
#include <string>

// The unsaved state of one image, kept beside its label file so that a crash loses
// nothing. It holds what the label file would hold after a save, in the same format.
// Another program on the same folder may keep its own there: this one removes only the
// file it wrote itself, unless the operator gives the file up.
class RecoveryFile
{
public:
    RecoveryFile() = default;
    explicit RecoveryFile(const QString& labelPath);

    // Replaces the file atomically, also when someone removed it since; false when it
    // could not be written.
    bool write(const std::string& bytes);
    // Removes the file if this run wrote it and it still holds what was written.
    void remove();
    // Removes the file whoever wrote it: the operator declined what it holds.
    void discard();
    // Takes the file as this run's own: the operator took back what it holds.
    void adopt();
    // The state kept by an earlier run, if there is one that can be read.
    std::optional<ImageAnnotation> read() const;

    const QString& path() const { return filePath; }

private:
    QString filePath;
    // What this run last wrote, so that an unchanged state is not written again.
    std::string written;
    // This run wrote the file and has not removed it since.
    bool owned = false;
};

#endif
