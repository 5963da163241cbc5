#ifndef QUADROTAG_ENTRYFILES_H
#define QUADROTAG_ENTRYFILES_H

#include "labelfilesnapshot.h"
#include "reviewfile.h"

#include <QString>

#include <optional>

// What entering an image needs from a folder that may be a network share, read on a worker:
// the label file's bytes and the review, each with the identity it was read at, and, looked at
// once the claim is taken, whether any kept work waits to be offered (this operator's kept
// file, a proposal, a recovery file).
struct EntryFiles
{
    // Reads the image's files now.
    static EntryFiles read(const QString& imagePath, const QString& labelPath);
    // These files as they are now, each read anew; a review whose bytes are unchanged is kept as
    // parsed. keptPath: this operator's kept file.
    EntryFiles revalidated(const QString& imagePath, const QString& labelPath,
                           const QString& keptPath) const;

    LabelFileSnapshot label;
    // The review file's bytes and the review they hold, if any.
    LabelFileSnapshot reviewFile;
    std::optional<Review> review;
    // The file beside it that the image's label file is a link to: another image's annotation,
    // claimed by whoever holds that image, or no label file at all. Empty for a file of its own.
    QString linkedLabel;
    // Only known after revalidated(): whether there is anything the entry may offer back.
    bool hasKeptWork = false;
};

#endif
