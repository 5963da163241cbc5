#ifndef QUADROTAG_RECOVERYFILE_H
#define QUADROTAG_RECOVERYFILE_H

#include "recoveredstate.h"
#include "recoverywriter.h"

#include <QString>

#include <optional>
#include <string>

// The unsaved state of one image, kept beside its label file so that a crash loses
// nothing. It holds what the label file would hold after a save, in the same format.
// Another program on the same folder may keep its own there: this one removes only the
// file it wrote itself, unless the operator gives the file up. A companion file beside it
// names the writer of the bytes it holds; an older program's file names nobody.
class RecoveryFile
{
public:
    RecoveryFile() = default;
    // writer is named beside every state this run writes; one that can't be recorded names
    // nobody.
    RecoveryFile(const QString& labelPath, RecoveryWriter writer);

    // Replaces the file atomically, also when someone removed it since, then names its
    // writer; false when either could not be written, or when the file holds another
    // operator's work that this run has not taken up.
    bool write(const std::string& bytes);
    // Removes the file if this run wrote it and it still holds what was written.
    void remove();
    // Removes the file whoever wrote it: the operator declined what it holds.
    void discard();
    // Takes the file as this run's own, named as this run's: the operator took up what it
    // holds.
    void adopt();
    // The state kept by an earlier run, if there is one that can be read; while there is
    // none, one an earlier version kept under a name this one no longer gives.
    std::optional<RecoveredState> read() const;

    const QString& path() const { return filePath; }
    // The companion that names the writer: the file's path and ".writer".
    QString writerPath() const;

private:
    bool holdsAnotherOperatorsWork() const;
    bool nameWriter(const std::string& bytes) const;
    std::optional<RecoveryWriter> namedWriter() const;
    void removeFiles() const;
    QString keptPath() const;

    QString filePath;
    // An earlier version's file of the same state, read while this one's is missing.
    QString olderPath;
    RecoveryWriter self;
    // What this run last wrote, so that an unchanged state is not written again.
    std::string written;
    // This run wrote the file and has not removed it since.
    bool owned = false;
};

#endif
