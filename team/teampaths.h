#ifndef QUADROTAG_TEAMPATHS_H
#define QUADROTAG_TEAMPATHS_H

#include <QString>

// The hidden folder beside the images where a team keeps its claims, logs and reviews. It is
// never part of a dataset.
extern const char teamFolderName[];

// `<image folder>/.quadrotag`
QString teamFolderFor(const QString& imagePath);
// `<image folder>/.quadrotag/claims/<image file name>.claim`
QString claimPathFor(const QString& imagePath);
// `<image folder>/.quadrotag/reviews/<image file name>.review`
QString reviewPathFor(const QString& imagePath);
// `<image folder>/.quadrotag/log/<operator>@<host>.log`
QString logPathFor(const QString& imagePath, const QString& operatorName, const QString& host);

#endif
