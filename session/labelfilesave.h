#ifndef QUADROTAG_LABELFILESAVE_H
#define QUADROTAG_LABELFILESAVE_H

#include "labelfilesnapshot.h"

#include <QString>

#include <chrono>
#include <functional>
#include <string>

// The file work of one save of a label file, as it runs off the GUI thread: what it found.
struct LabelFileSave
{
    // Writes bytes over the label file at path. startedFrom: the file as last read or written,
    // looked at first when lookFirst (nothing is written when it changed); without it the file
    // as it is now is where the save starts. The bytes land only while claimHolds (asked on this
    // thread while they are written) and the file is still the one the save started from; a
    // write that took longer than stalledAfter asks both again once the bytes are flushed.
    static LabelFileSave write(const std::string& bytes, const QString& path,
                               const LabelFileSnapshot* startedFrom, bool lookFirst,
                               const std::function<bool()>& claimHolds,
                               std::chrono::milliseconds stalledAfter);
    // One look at the file's attributes where they prove it unchanged, its bytes otherwise.
    static bool isStill(const LabelFileSnapshot& known, const QString& path);
    // The name of the file beside it that the label file at path is a link to: another image's
    // annotation, or no label file at all, never written through. Empty where no link stands
    // there, or where it leads into another folder (a store of label files, written through).
    static QString linkedFileBeside(const QString& path);

    bool changedOnDisk = false;
    bool written = false;
    bool claimLost = false;
    bool withheld = false;
};

#endif
