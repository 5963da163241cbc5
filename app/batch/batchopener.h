#ifndef QUADROTAG_BATCHOPENER_H
#define QUADROTAG_BATCHOPENER_H

#include "batchfiles.h"
#include "folderlisting.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class BatchStepper;
class ImageVisit;
class ProjectHistory;
class QStatusBar;
class QWidget;
class TeamDesk;

// Every way a new batch opens: image files chosen, a folder read at once or listed off the
// GUI thread. The image on screen is left first, and stays when that fails; the project
// notes the batch as its own.
class BatchOpener : public QObject
{
    Q_OBJECT

public:
    BatchOpener(ImageVisit& visit, BatchStepper& stepper, TeamDesk& team, ProjectHistory& history);
    // One of the window's parts; the status bar counts the images of a listing under way.
    void install(QWidget* window, QStatusBar* statusBar);

    // The project whose history notes each batch; empty notes nothing.
    void setProject(const QString& folder) { project = folder; }
    // Opens these files, showing shownImage when it is one of them; those of another project
    // are left out.
    void openImages(const QStringList& chosen, const QString& shownImage = QString());
    // Sorts out and finds named files on a worker, the window answering meanwhile, and opens
    // them unless another batch was opened first; tellRefused says which are not images.
    void openNamedImages(const QStringList& files,
                         std::function<void(const QString& note)> tellRefused);
    void openFolder(const QString& folder);
    // Known: the project was found above this folder, which needs no look to be its own.
    enum class Project { Look, Known };
    void listFolder(const QString& folder, const QString& shownImage = QString(),
                    Project project = Project::Look);
    // A folder still being listed is not opened when it is done.
    void cancel();
    bool isListing() const { return folderListing.isRunning(); }

signals:
    void sglNote(const QString& note);

private:
    void showListingCount(const QString& folder, int images);
    // The listing under way ended or was dropped: its count is no longer true.
    void clearListingCount();
    void openListedFolder(const QString& folder, const QString& shownImage);
    void openFoundImages();
    // The image the listing will start at, shown before the whole list is made.
    void showFirstImage(const QString& folder, const QString& imagePath);
    // The listed batch takes over the image shown early, which stays on screen as it is.
    bool adoptFirstImage(BatchFiles& batch);
    // The image on screen is imagePath, and its claim was found to be another's.
    bool isHeldByOther(const QString& imagePath) const;
    void startFolderBatch(const QString& folder, const BatchFiles& batch,
                          const QString& shownImage);
    void startBatch(const BatchFiles& batch, int first);
    // Label files saved since the listing began, which it may have missed, tick their rows.
    void markSavedWhileListing(BatchFiles& batch) const;
    // Names left out of the batch, on standard error and in the status bar.
    void noteUndecodable(const BatchFiles& batch);
    void tell(const QString& note);
    // Label files hold the cells of their nearest project's vocabulary: images of another
    // project are left out, and a folder of another (or one that is gone) is refused, each
    // saying so.
    QStringList imagesOfThisProject(const QStringList& files);
    void noteOtherProjects(const QStringList& files);
    bool isFolderOfThisProject(const QString& folder);
    // Looked up once for a batch about to open: its choices and the panel share the answer.
    const std::vector<QString>& lookUpHolders(const QStringList& imagePaths);
    void forgetHolders();
    // Without a project, the vocabulary is the working folder's.
    QString vocabularyFolder() const;

    ImageVisit& visit;
    BatchStepper& stepper;
    TeamDesk& team;
    ProjectHistory& history;
    QString project;
    FolderListing folderListing;
    // The project the folder under way is listed for; its result is for none other.
    QString listingProject;
    bool listingWanted = false;
    QSet<QString> savedWhileListing;
    // Says which named files under way are not images.
    std::function<void(const QString& note)> tellRefused;
    // The image the listing under way was asked to start at, if any.
    QString listingRemembered;
    // The holders looked up for the batch about to be shown, for the first to ask for them.
    QStringList heldPaths;
    std::vector<QString> heldBy;
    // The image of the listing under way shown before its list was made, or empty.
    QString shownEarly;
    QStatusBar* statusBar = nullptr;
    // The count of the listing under way, as the status bar shows it.
    QString listingProgress;
};

#endif
