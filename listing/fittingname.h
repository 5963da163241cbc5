#ifndef QUADROTAG_FITTINGNAME_H
#define QUADROTAG_FITTINGNAME_H

#include <QString>

// The most bytes a file name may have on the file systems the image folders live on.
inline constexpr qsizetype longestFileName = 255;

// What stands for name in a file named after it with extraBytes more around it: name itself
// while that whole file name fits, else "#" and the SHA-256 of name in hex, so that every
// program that derives the file from the same name finds the same short one.
QString fittingFileName(const QString& name, qsizetype extraBytes);

#endif
