#include "projecthistory.h"

#include "projectfolder.h"

#include <QDir>
#include <QUrl>

namespace {

const QString recentKey = QStringLiteral("recentProjects");

// Settings keys split at "/", and a project's path is full of them.
QString absolute(const QString& project)
{
    return QDir::cleanPath(QDir(project).absolutePath());
}

} // namespace

void ProjectHistory::addRecent(const QString& project)
{
    QStringList recent = recentProjects();
    recent.removeAll(absolute(project));
    recent.prepend(absolute(project));
    settings.setValue(recentKey, recent.mid(0, recentCount));
}

void ProjectHistory::removeRecent(const QString& project)
{
    QStringList recent = recentProjects();
    recent.removeAll(absolute(project));
    settings.setValue(recentKey, recent);
}

void ProjectHistory::rememberFolder(const QString& project, const QString& folder)
{
    settings.setValue(keyOf(project, QStringLiteral("folder")), folder);
    settings.remove(keyOf(project, QStringLiteral("images")));
    settings.remove(keyOf(project, QStringLiteral("shownImage")));
}

void ProjectHistory::rememberImages(const QString& project, const QStringList& images)
{
    settings.remove(keyOf(project, QStringLiteral("folder")));
    settings.setValue(keyOf(project, QStringLiteral("images")), images);
    settings.remove(keyOf(project, QStringLiteral("shownImage")));
}

void ProjectHistory::rememberShownImage(const QString& project, const QString& image)
{
    settings.setValue(keyOf(project, QStringLiteral("shownImage")), image);
}

QStringList ProjectHistory::recentProjects() const
{
    return settings.value(recentKey).toStringList();
}

RememberedBatch ProjectHistory::lastBatch(const QString& project) const
{
    RememberedBatch batch;
    batch.folder = settings.value(keyOf(project, QStringLiteral("folder"))).toString();
    batch.images = settings.value(keyOf(project, QStringLiteral("images"))).toStringList();
    batch.shownImage = settings.value(keyOf(project, QStringLiteral("shownImage"))).toString();
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

QString ProjectHistory::keyOf(const QString& project, const QString& field) const
{
    const QByteArray escaped = QUrl::toPercentEncoding(absolute(project));
    return QStringLiteral("projects/%1/%2").arg(QString::fromLatin1(escaped), field);
}
