#include "vocabularyfiles.h"

#include "projectfolder.h"
#include "tagnames.h"

#include <QtConcurrent>

VocabularyFiles VocabularyFiles::read(const QString& vocabularyPath, const QString& indexPath)
{
    // Side by side: on a share each file takes three round trips.
    QFuture<LabelFileSnapshot> index = QtConcurrent::run(&LabelFileSnapshot::of, indexPath);
    QFuture<LabelFileSnapshot> names =
        QtConcurrent::run(&LabelFileSnapshot::of, TagNames::pathFor(indexPath));
    const LabelFileSnapshot vocabulary = LabelFileSnapshot::of(vocabularyPath);
    return {vocabularyPath, indexPath, vocabulary, index.result(), names.result()};
}

VocabularyFiles VocabularyFiles::ofProject(const QString& projectFolder)
{
    if (projectFolder.isEmpty())
        return read(QStringLiteral("tags"), QStringLiteral("index2tag.csv"));
    return read(vocabularyPathIn(projectFolder), indexPathIn(projectFolder));
}
