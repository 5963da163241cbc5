#ifndef QUADROTAG_FOLDERLISTING_H
#define QUADROTAG_FOLDERLISTING_H

#include "batchfiles.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

// Lists a folder's images on a worker thread, so the window answers while a folder of a
// million images is read; only names and the state of label files are gathered there. A new
// request replaces one not yet finished, whose result is dropped.
class FolderListing : public QObject
{
    Q_OBJECT

public:
    FolderListing();
    ~FolderListing() override;

    // Lists folder; shownImage travels with it to the end, for the start-image choice.
    void start(const QString& folder, const QString& shownImage = QString());
    // Another batch was opened meanwhile: what is being listed is not reported.
    void cancel();
    bool isRunning() const { return watcher.isRunning() || !pendingFolder.isEmpty(); }
    // The finished batch, once listed has been emitted.
    BatchFiles take() { return std::move(result); }

signals:
    // The number of images seen so far in the folder being listed.
    void sglCounted(const QString& folder, int images);
    void sglListed(const QString& folder, const QString& shownImage);

private:
    void runNext();
    void finished();
    void reportCount();

    QFutureWatcher<BatchFiles> watcher;
    std::shared_ptr<std::atomic<int>> found;
    QTimer countTimer;
    QString folder;
    QString shownImage;
    QString pendingFolder;
    QString pendingShownImage;
    bool cancelled = false;
    BatchFiles result;
};

#endif
