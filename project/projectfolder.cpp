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
    if (projectFolder.isEmpty())
        return false;
    const QFileInfo vocabulary(vocabularyPathIn(projectFolder));
    return vocabulary.isFile() && vocabulary.isReadable();
}

QString projectAbove(const QString& path)
{
    const QFileInfo start(path);
    QDir folder(start.isDir() ? start.absoluteFilePath() : start.absolutePath());
    do {
        if (holdsVocabulary(folder.path()))
            return folder.path();
    } while (folder.cdUp());
    return QString();
}
