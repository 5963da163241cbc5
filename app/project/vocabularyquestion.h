#ifndef QUADROTAG_VOCABULARYQUESTION_H
#define QUADROTAG_VOCABULARYQUESTION_H

#include <QString>

class QWidget;
struct VocabularyFiles;

// Run before the tag table writes a new tag index. When the vocabulary now gives a cell
// of the existing index another name or none (judged by the whole names kept beside the
// index, notes included, else by its captions), or the index can't be read, asks whether
// to go on, since label files written before still name the old cells. On "Continue" the
// old index is kept beside it as index2tag-<stamp>.csv first. False when the program
// must end at once.
bool confirmVocabularyChange(const QString& vocabularyPath = QStringLiteral("tags"),
                             const QString& indexPath = QStringLiteral("index2tag.csv"),
                             QWidget* parent = nullptr);
// The same with the files read already.
bool confirmVocabularyChange(const VocabularyFiles& files, QWidget* parent = nullptr);

#endif
