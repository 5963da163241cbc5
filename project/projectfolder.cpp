#include "projectfolder.h"

#include "splitwork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

namespace {

// A vocabulary that can't be read now (its permissions, a link to a share not mounted) still
// gives the label files below it their meaning.
bool namesVocabulary(const QString& folder)
{
#ifdef Q_OS_UNIX
    // One look at the name, which on a share is a round trip; QFileInfo takes two where there is
    // nothing.
    struct stat status;
    return ::lstat(QFile::encodeName(vocabularyPathIn(folder)).constData(), &status) == 0 &&
           (S_ISREG(status.st_mode) || S_ISLNK(status.st_mode));
#else
    const QFileInfo vocabulary(vocabularyPathIn(folder));
    return vocabulary.isFile() || vocabulary.isSymLink();
#endif
}

// The nearest folder at or above this one that names a vocabulary, going up the path as written.
QString vocabularyAtOrAbove(const QString& start)
{
    QDir folder(start);
    do {
        if (namesVocabulary(folder.path()))
            return folder.path();
    } while (folder.cdUp());
    return QString();
}

} // namespace

QString projectAbove(const QString& path)
{
    const QFileInfo start(path);
    const QString folder = start.isDir() ? start.absoluteFilePath() : start.absolutePath();
    // The label file lands in the folder where the image really is, under its vocabulary.
    const QString real = QFileInfo(folder).canonicalFilePath();
    QString found = vocabularyAtOrAbove(real.isEmpty() ? folder : real);
    // The same path again would only look at the same files again.
    if (found.isEmpty() && !real.isEmpty() && real != folder)
        found = vocabularyAtOrAbove(folder);
    if (!found.isEmpty())
        return found;
    // A linked image is searched where it leads too; a dangling link leads nowhere.
    const QString resolved = start.canonicalFilePath();
    if (resolved.isEmpty())
        return QString();
    const QString leadsTo = start.isDir() ? resolved : QFileInfo(resolved).absolutePath();
    // Where no link leads elsewhere it was searched already: on a share each look waits.
    if (leadsTo == real || leadsTo == folder)
        return QString();
    return vocabularyAtOrAbove(leadsTo);
}

namespace {

// One folder reached by two paths (a link) is one project.
QString resolvedFolder(const QString& folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : real;
}

} // namespace

QStringList pathsOfOtherProjects(const QStringList& paths, const QString& projectFolder)
{
    const QString own = resolvedFolder(projectFolder);
    // Images of one folder share its project; a link is searched by itself.
    QHash<QString, bool> otherByFolder;
    // On a share each look is a round trip: they wait side by side.
    std::vector<QString> keys(std::size_t(paths.size()));
    lookSideBySide(keys.size(), [&](std::size_t at) {
        const QString& path = paths.at(qsizetype(at));
        const QFileInfo info(path);
        keys[at] = info.isSymLink() || info.isDir() ? path : info.absolutePath();
    });
    QStringList other;
    for (qsizetype at = 0; at < paths.size(); ++at) {
        const QString& path = paths.at(at);
        const QString& key = keys[std::size_t(at)];
        auto found = otherByFolder.constFind(key);
        if (found == otherByFolder.cend()) {
            const QString nearest = projectAbove(path);
            found = otherByFolder.insert(key, !nearest.isEmpty() && resolvedFolder(nearest) != own);
        }
        if (*found)
            other << path;
    }
    return other;
}
