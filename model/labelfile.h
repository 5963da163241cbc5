#ifndef QUADROTAG_LABELFILE_H
#define QUADROTAG_LABELFILE_H

#include "imageannotation.h"

#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string>

// The bytes the label file of this annotation holds: the style, then every tagged shape.
std::string labelFileContents(const ImageAnnotation& annotation);
// A label file keeps only tagged shapes.
bool isStoredShape(const Label& label);
// How many shapes a save of this annotation writes.
int storedShapeCount(const ImageAnnotation& annotation);
// The same with the untagged shapes too, which hand-made label files may hold.
std::string labelFileContentsOfEveryShape(const ImageAnnotation& annotation);

// Stores the style and every tagged shape of the annotation in the label file at path.
// The previous file is replaced only once the new contents are completely on disk.
// Returns false when nothing could be written; the previous file is then unchanged.
bool writeLabelFile(const ImageAnnotation& annotation, const std::string& path);

// Replaces the file at path with exactly these bytes, as writeLabelFile does.
bool writeLabelBytes(const std::string& bytes, const std::string& path);
// The same, asking besideWrite on this thread while the new bytes are written on another, and
// mayReplace once they are on disk, right before they replace the file; false, the file
// unchanged, when either says no. An earlier version's "<name>.tmp" is left for
// removeLeftoverTemporary, which the caller may run later. lookedAt: what the caller's look at
// the name found right before, when no link stands there, which the write then need not repeat
// (on a share each look is a round trip).
bool writeLabelBytesIf(const std::string& bytes, const std::string& path,
                       const std::function<bool()>& besideWrite,
                       const std::function<bool()>& mayReplace,
                       const std::optional<std::filesystem::file_status>& lookedAt = {});
// Removes the "<name>.tmp" that earlier versions wrote beside the file at path.
void removeLeftoverTemporary(const std::string& path);
// The same for a file of the program's own (a recovery file, a review): a link or anything
// else put at its name is replaced, never written through.
bool writeOwnFileBytes(const std::string& bytes, const std::string& path);

// Reads the label file at path into annotation: sets its style and appends its shapes.
// Returns false only when the file cannot be opened. Reading stops quietly at the
// first number that is missing or malformed; the shape being read then is dropped.
bool readLabelFile(ImageAnnotation& annotation, const std::string& path);

// The same, and tells through readToEnd whether every number of the file was read;
// false when reading stopped early at a missing or malformed number.
bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd);

// The same, and tells through styleRead whether the file began with a style; the style is
// then set, whatever number it is.
bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd,
                   bool& styleRead);

// The same for the contents of a label file already in memory, or a stream of them.
void readLabelBytes(ImageAnnotation& annotation, const std::string& bytes, bool& readToEnd);
void readLabelStream(ImageAnnotation& annotation, std::istream& in, bool& readToEnd);
void readLabelStream(ImageAnnotation& annotation, std::istream& in, bool& readToEnd,
                     bool& styleRead);

#endif
