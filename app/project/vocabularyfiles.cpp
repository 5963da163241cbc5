#include "vocabularyfiles.h"

#include "projectfolder.h"
#include "tagnames.h"

VocabularyFiles VocabularyFiles::read(const QString& vocabularyPath, const QString& indexPath)
{
    VocabularyFiles files{vocabularyPath, indexPath, LabelFileSnapshot::of(vocabularyPath),
                          LabelFileSnapshot::of(indexPath), LabelFileSnapshot()};
    if (files.index.exists)
        files.names = LabelFileSnapshot::of(TagNames::pathFor(indexPath));
    return files;
}

VocabularyFiles VocabularyFiles::ofProject(const QString& projectFolder)
{
    if (projectFolder.isEmpty())
        return read(QStringLiteral("tags"), QStringLiteral("index2tag.csv"));
    return read(vocabularyPathIn(projectFolder), indexPathIn(projectFolder));
}
