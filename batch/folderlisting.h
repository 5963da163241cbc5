#ifndef QUADROTAG_FOLDERLISTING_H
#define QUADROTAG_FOLDERLISTING_H

#include "batchfiles.h"
#include "namedimages.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

// Lists a folder's images, or finds named ones, on a worker thread, so the window answers while
// a folder of a million images is read; only names and the state of label files are gathered
// there. A new
// request or a cancel drops what an unfinished one finds. A worker is never waited for: on a
// share that hangs, the window closes and the program ends while the worker still waits.
class FolderListing : public QObject
{
    Q_OBJECT

public:
    // What lists a folder, on the worker; counts into found as it goes and tells the wish the
    // image to show first as soon as it knows it.
    using Lister = std::function<BatchFiles(const QString& folder, std::atomic<int>* found,
                                            const FirstImageWish& wish)>;

    FolderListing();
    explicit FolderListing(Lister lister);
    // Abandons a worker still under way: it ends on its own and reports to nobody.
    ~FolderListing() override;

    // Lists folder; shownImage travels with it to the end, for the start-image choice.
    void start(const QString& folder, const QString& shownImage = QString());
    // What finds named files on the worker.
    using NamedFinder = std::function<NamedBatch(const QStringList& files)>;
    // Finds these named files on the worker, as a folder is listed: it replaces the request
    // under way and is replaced by the next, folder or files.
    void startNamed(const QStringList& files, NamedFinder finder);
    // Another batch was opened meanwhile: what is being listed is not reported.
    void cancel();
    // A request is under way whose result is still wanted.
    bool isRunning() const { return current != nullptr; }
    // The finished batch, once listed has been emitted.
    BatchFiles take() { return std::move(result); }
    // The named files found, once namedFound has been emitted.
    NamedBatch takeNamed() { return std::move(namedResult); }
    // Workers started by any listing that have not ended yet, wanted or not.
    static int workersUnderWay();
    // Lists a folder named at start while the toolkit and the window are being made; the first
    // request for that very folder takes its result over instead of listing it again.
    // firstImage is told, on the listing's thread, the image it would start at.
    static void startEarly(const QString& folder,
                           const std::function<void(const QString&)>& firstImage = {});
    // The lister that listings made from now on use; the folder's own when empty. Lets a test
    // hold a listing between its first image and its list.
    static void useLister(Lister lister);
    // The finder that named requests use from now on in place of the one given; none when
    // empty. Lets a test hold Open Images.
    static void useNamedFinder(NamedFinder finder);

signals:
    // The number of images seen so far in the folder being listed.
    void sglCounted(const QString& folder, int images);
    void sglListed(const QString& folder, const QString& shownImage);
    // The image the listed batch will start at, before the whole list is made.
    void sglFirstImage(const QString& folder, const QString& imagePath);
    void sglNamedFound();

private:
    struct Request;
    struct Mailbox;

    // The early listing of folder, once, or the lister itself.
    Lister listerFor(const QString& folder) const;

    void finished(const std::shared_ptr<Request>& request, BatchFiles batch);
    void namedFound(const std::shared_ptr<Request>& request, NamedBatch found);
    void firstImageFound(const std::shared_ptr<Request>& request, const QString& imagePath);
    // Posts a call to the owner while it lives; an owner deleted before it runs drops it.
    static void post(const std::shared_ptr<Mailbox>& box,
                     std::function<void(FolderListing* owner)> call);
    void reportCount();

    Lister lister;
    std::shared_ptr<Mailbox> mailbox;
    std::shared_ptr<Request> current;
    QTimer countTimer;
    BatchFiles result;
    NamedBatch namedResult;
};

#endif
