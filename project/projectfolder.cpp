#include "projectfolder.h"

#include <QDir>
#include <QFileInfo>

QString vocabularyPathIn(const QString& projectFolder)
{
    return QDir(projectFolder).filePath(QStringLiteral("tags"));
}

QString indexPathIn(const QString& projectFolder)
{
    return QDir(projectFolder).filePath(QStringLiteral("index2tag.csv"));
}

bool holdsVocabulary(const QString& projectFolder)
{
    return !projectFolder.isEmpty() && QFileInfo(vocabularyPathIn(projectFolder)).isFile();
}
