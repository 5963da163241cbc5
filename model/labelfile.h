#ifndef QUADROTAG_LABELFILE_H
#define QUADROTAG_LABELFILE_H

#include "imageannotation.h"

#include <string>

// The bytes writeLabelFile stores for the annotation: only its tagged shapes.
std::string labelFileText(const ImageAnnotation& annotation);

// Stores the style and every tagged shape of the annotation in the label file at path.
// The previous file is replaced only once the new contents are completely on disk.
// Returns false when nothing could be written; the previous file is then unchanged.
bool writeLabelFile(const ImageAnnotation& annotation, const std::string& path);

// Reads the label file at path into annotation: sets its style and appends its shapes.
// Returns false only when the file cannot be opened. Reading stops quietly at the
// first number that is missing or malformed; the shape being read then is dropped.
bool readLabelFile(ImageAnnotation& annotation, const std::string& path);

// The same, and tells through readToEnd whether every number of the file was read;
// false when reading stopped early at a missing or malformed number.
bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd);

#endif
