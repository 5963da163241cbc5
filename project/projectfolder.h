#ifndef QUADROTAG_PROJECTFOLDER_H
#define QUADROTAG_PROJECTFOLDER_H

#include <QString>

// A project is a folder that holds the vocabulary "tags" and receives the tag index
// "index2tag.csv"; its images may lie anywhere.
QString vocabularyPathIn(const QString& projectFolder);
QString indexPathIn(const QString& projectFolder);
bool holdsVocabulary(const QString& projectFolder);

#endif
