#ifndef QUADROTAG_IMAGENAMES_H
#define QUADROTAG_IMAGENAMES_H

#include <QString>
#include <QStringList>

#include <string_view>

// The suffixes of image files, in small letters: ".jpg", ".jpeg", ".png", ".webp", ".tif",
// ".tiff", ".bmp". A name is an image's when it ends in one of them in any letter case.
const QStringList& imageSuffixes();
bool isImageFileName(std::string_view name);
// Every suffix in every spelling of upper and lower case letters (".jpg", ".jpG", … ".BMP"),
// to look for an image beside another by name instead of listing their folder.
const QStringList& imageSuffixSpellings();
bool isImageFileName(const QString& name);
// The name up to its last ".": an image and its label file share it, so "room.jpg" and
// "room.png" share "room.lbl".
std::string_view stemOf(std::string_view name);
// The Open Images dialog's filter of every image format.
QString imageNameFilter();

#endif
