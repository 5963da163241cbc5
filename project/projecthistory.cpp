#include "projecthistory.h"

#include "projectfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString recentKey = QStringLiteral("recentProjects");

// Settings keys split at "/", and a project's path is full of them.
QString absolute(const QString& project)
{
    return QDir::cleanPath(QDir(project).absolutePath());
}

// One folder reached through a link is one project, with one resume point; a folder that is
// gone keeps the path it had.
QString resolved(const QString& project)
{
    const QString real = QFileInfo(project).canonicalFilePath();
    return real.isEmpty() ? absolute(project) : real;
}

// Entries written before projects were resolved may name the folder through a link.
void removeProject(QStringList& recent, const QString& project)
{
    const QString folder = resolved(project);
    recent.removeIf([&](const QString& entry) {
        return entry == absolute(project) || resolved(entry) == folder;
    });
}

} // namespace

void ProjectHistory::addRecent(const QString& project)
{
    QStringList recent = recentProjects();
    removeProject(recent, project);
    recent.prepend(resolved(project));
    settings.setValue(recentKey, recent.mid(0, recentCount));
}

void ProjectHistory::removeRecent(const QString& project)
{
    QStringList recent = recentProjects();
    removeProject(recent, project);
    settings.setValue(recentKey, recent);
}

void ProjectHistory::rememberFolder(const QString& project, const QString& folder)
{
    settings.setValue(keyOf(resolved(project), QStringLiteral("folder")), folder);
    settings.remove(keyOf(resolved(project), QStringLiteral("images")));
    settings.remove(keyOf(resolved(project), QStringLiteral("shownImage")));
}

void ProjectHistory::rememberImages(const QString& project, const QStringList& images)
{
    settings.remove(keyOf(resolved(project), QStringLiteral("folder")));
    settings.setValue(keyOf(resolved(project), QStringLiteral("images")), images);
    settings.remove(keyOf(resolved(project), QStringLiteral("shownImage")));
}

void ProjectHistory::rememberShownImage(const QString& project, const QString& image)
{
    settings.setValue(keyOf(resolved(project), QStringLiteral("shownImage")), image);
}

QStringList ProjectHistory::recentProjects() const
{
    return settings.value(recentKey).toStringList();
}

RememberedBatch ProjectHistory::lastBatch(const QString& project) const
{
    RememberedBatch batch = batchUnder(resolved(project));
    // Kept by an earlier version under the path as it was given.
    if (batch.isEmpty() && absolute(project) != resolved(project))
        batch = batchUnder(absolute(project));
    return batch;
}

RememberedBatch ProjectHistory::batchUnder(const QString& folder) const
{
    RememberedBatch batch;
    batch.folder = settings.value(keyOf(folder, QStringLiteral("folder"))).toString();
    batch.images = settings.value(keyOf(folder, QStringLiteral("images"))).toStringList();
    batch.shownImage = settings.value(keyOf(folder, QStringLiteral("shownImage"))).toString();
    return batch;
}

QString ProjectHistory::mostRecentProject(QStringList& gone)
{
    for (const QString& project : recentProjects()) {
        if (holdsVocabulary(project))
            return project;
        removeRecent(project);
        gone.append(project);
    }
    return QString();
}

QString ProjectHistory::keyOf(const QString& folder, const QString& field) const
{
    const QByteArray escaped = QUrl::toPercentEncoding(folder);
    return QStringLiteral("projects/%1/%2").arg(QString::fromLatin1(escaped), field);
}
