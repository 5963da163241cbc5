#ifndef QUADROTAG_TEAMPATHS_H
#define QUADROTAG_TEAMPATHS_H

#include <QString>

// The hidden folder beside the images where a team keeps its claims, logs and reviews. It is
// never part of a dataset.
extern const char teamFolderName[];

// `<image folder>/.quadrotag`
QString teamFolderFor(const QString& imagePath);
// What names the claim of the image's label file: the label file's name
// (`room1.jpg`, `room1.JPG` -> `room1.lbl`), or, where `<that>.claim` would pass the 255 bytes a
// file name may have, `#` and a digest of it, so every image that can have a label file can
// have a claim.
QString claimKeyFor(const QString& imagePath);
// `<image folder>/.quadrotag/claims/<claim key>.claim`
QString claimPathFor(const QString& imagePath);
// `<image folder>/.quadrotag/kept/<operator>@<host>/<label file name>`: unsaved edits of an image
// whose claim went to someone else, in a file no other program writes; where `<operator>@<host>`
// would pass 255 bytes, `#` and a digest of it.
QString keptPathFor(const QString& imagePath, const QString& operatorName, const QString& host);
// `<image folder>/.quadrotag/reviews/<image file name>.review`, or, where that would pass the
// 255 bytes a file name may have, `#` and a digest of the image's file name instead of it.
QString reviewPathFor(const QString& imagePath);
// `<image folder>/.quadrotag/log/<operator>@<host>.log`
QString logPathFor(const QString& imagePath, const QString& operatorName, const QString& host);

#endif
