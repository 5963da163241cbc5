#ifndef QUADROTAG_PROJECTHISTORY_H
#define QUADROTAG_PROJECTHISTORY_H

#include <QSettings>
#include <QString>
#include <QStringList>

// The batch a project had open: a folder, or the image files chosen one by one, and the
// image last shown of it.
struct RememberedBatch
{
    QString folder;
    QStringList images;
    QString shownImage;

    bool isEmpty() const { return folder.isEmpty() && images.isEmpty(); }
    bool operator==(const RememberedBatch& other) const
    {
        return folder == other.folder && images == other.images && shownImage == other.shownImage;
    }
};

// The projects an operator worked on, the most recent first, and where the work in each
// stopped; kept in the one settings file, QSettings(), keyed by each project's resolved path.
class ProjectHistory
{
public:
    static const int recentCount = 8;

    // Puts the project first among the recent ones.
    void addRecent(const QString& project);
    void removeRecent(const QString& project);
    void rememberFolder(const QString& project, const QString& folder);
    void rememberImages(const QString& project, const QStringList& images);
    void rememberShownImage(const QString& project, const QString& image);

    QStringList recentProjects() const;
    RememberedBatch lastBatch(const QString& project) const;
    // The most recent project that still holds its vocabulary, or nothing; those that do
    // not are taken off the list and returned in gone.
    QString mostRecentProject(QStringList& gone);

private:
    // The key of a field of the project at this absolute path.
    QString keyOf(const QString& folder, const QString& field) const;
    RememberedBatch batchUnder(const QString& folder) const;

    // Opened with the history, so the application's names must be set before one is made.
    QSettings settings;
};

#endif
