#ifndef QUADROTAG_FILENAMES_H
#define QUADROTAG_FILENAMES_H

#include <QString>

#include <functional>
#include <string_view>

// Calls visit with the name of each regular file directly in folder, hidden ones included, as
// the file system spells it; a symbolic link counts as what it points to. Nothing else of a
// file is read, so a folder of a million files is listed in the time the system takes to name
// them. False when the folder cannot be read.
bool forEachFileIn(const QString& folder, const std::function<void(std::string_view)>& visit);

#endif
