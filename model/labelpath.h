#ifndef QUADROTAG_LABELPATH_H
#define QUADROTAG_LABELPATH_H

#include <QString>

// The label file of an image: the image path up to the last "." of its file name,
// followed by ".lbl"; a file name without a "." gets ".lbl" appended.
QString labelPathFor(const QString& imagePath);

// Where the unsaved state of an image is kept against a crash: a hidden file beside its
// label file, "." + the label file's name + ".recovery"; where that or its ".writer"
// companion would pass the 255 bytes a file name may have, "." + "#" and a digest of the label
// file's name + ".recovery".
QString recoveryPathFor(const QString& labelPath);

// Where earlier versions kept it when the name recoveryPathFor gives is a digest: the
// label file's own name, which fits for some names without its companion's; empty when
// there is no such other name.
QString olderRecoveryPathFor(const QString& labelPath);

// An image's file name up to the last ".", the same cut as labelPathFor: the name that the
// text dataset formats give the image's file.
QString imageStem(const QString& path);

// Where a model's proposal for an image is kept: <image folder>/.proposals/ and the label
// file's name, so that a proposal never stands where the operator's label file would.
QString proposalPathFor(const QString& imagePath);

// The folder beside the images that holds their proposals.
extern const char proposalFolderName[];

#endif
