#ifndef QUADROTAG_SCRATCHSWEEP_H
#define QUADROTAG_SCRATCHSWEEP_H

#include <QString>

// Removes from folder the scratch files and folders of the tools' and the program's own naming
// that a run stopped by force left behind: those untouched for a day, which no run that is
// still going leaves so long.
void removeStaleScratch(const QString& folder);
// Only the hidden temporary files a write leaves before its rename, for folders of images and
// labels, where a folder of the tools' scratch naming may be someone's own.
void removeStaleTemporaryFiles(const QString& folder);

#endif
