#ifndef QUADROTAG_PROJECTFOLDER_H
#define QUADROTAG_PROJECTFOLDER_H

#include <QString>
#include <QStringList>

// A project is a folder that holds the vocabulary "tags" and receives the tag index
// "index2tag.csv"; its images may lie anywhere.
QString vocabularyPathIn(const QString& projectFolder);
QString indexPathIn(const QString& projectFolder);
// The folder holds a vocabulary file that can be read.
bool holdsVocabulary(const QString& projectFolder);
// The nearest folder at or above the real folder of path (a file's own folder first, links
// to folders resolved) that holds a file or link named "tags", readable or not, as version
// control finds its repository; then the same along the path as written; then, for a linked
// file, above where it leads; empty when none does.
QString projectAbove(const QString& path);
// The paths, in their order, whose nearest vocabulary is another project's than this one's:
// their label files name that vocabulary's cells. Paths under no project belong to any.
QStringList pathsOfOtherProjects(const QStringList& paths, const QString& projectFolder);

#endif
