#ifndef QUADROTAG_VOCABULARYFILES_H
#define QUADROTAG_VOCABULARYFILES_H

#include "labelfilesnapshot.h"

#include <QString>

// The files of a vocabulary as a start finds them, read once: the vocabulary "tags", the tag
// index and the names beside it. The question about a changed vocabulary, the tag table, the
// index written only where it changes and the later look for changes all take these bytes;
// on a share each reading is round trips, and the three are read side by side.
struct VocabularyFiles
{
    QString vocabularyPath;
    QString indexPath;
    LabelFileSnapshot vocabulary;
    LabelFileSnapshot index;
    LabelFileSnapshot names;

    static VocabularyFiles read(const QString& vocabularyPath, const QString& indexPath);
    // The project's, or without one "tags" and "index2tag.csv" in the working directory, by
    // those names.
    static VocabularyFiles ofProject(const QString& projectFolder);

    bool hasVocabulary() const { return vocabulary.exists && vocabulary.readable; }
};

#endif
