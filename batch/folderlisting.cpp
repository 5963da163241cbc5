#include "folderlisting.h"

#include "scratchsweep.h"
#include "teampaths.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QSet>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
// A count that moves five times a second reads as progress, not flicker.
const int countMilliseconds = 200;
std::atomic<int> runningWorkers{0};

BatchFiles listFolder(const QString& folder, std::atomic<int>* found, const FirstImageWish& wish)
{
    return listFolderImages(folder, found, wish);
}

// What saves, claims, reviews and kept work of a program killed midway left half written.
void removeLeftovers(const QString& folder)
{
    removeStaleTemporaryFiles(folder);
    // A linked team folder, or a linked folder in it, leads out of the folder listed.
    const auto isLinked = [](const QString& path) { return QFileInfo(path).isSymLink(); };
    const QDir team(QDir(folder).filePath(QLatin1String(teamFolderName)));
    if (isLinked(team.path()))
        return;
    QStringList folders{team.filePath(QStringLiteral("claims")),
                        team.filePath(QStringLiteral("reviews"))};
    const QDir kept(team.filePath(QStringLiteral("kept")));
    if (!isLinked(kept.path()))
        for (const QString& name :
             kept.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks))
            folders << kept.filePath(name);
    for (const QString& each : std::as_const(folders))
        if (!isLinked(each))
            removeStaleTemporaryFiles(each);
}

// Images opened one by one leave their leftovers beside them too: each folder swept once.
void removeLeftoversBeside(const QStringList& files)
{
    QSet<QString> folders;
    for (const QString& file : files)
        folders.insert(QFileInfo(file).path());
    for (const QString& folder : std::as_const(folders))
        removeLeftovers(folder);
}

FolderListing::Lister& listerInUse()
{
    static FolderListing::Lister lister;
    return lister;
}

FolderListing::NamedFinder& namedFinderInUse()
{
    static FolderListing::NamedFinder finder;
    return finder;
}
} // namespace

struct FolderListing::Request
{
    QString folder;
    QString shownImage;
    std::atomic<int> found{0};
};

// Where a worker hands its result in: the listing while it lives, nobody after.
struct FolderListing::Mailbox
{
    std::mutex lock;
    FolderListing* owner = nullptr;
};

namespace {

// A folder listed from the start of the program, waiting to be taken over.
struct EarlyListing
{
    QString folder;
    std::atomic<int> found{0};
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    BatchFiles batch;
    // The image to show first, once found; told on by whoever takes the listing over.
    QString firstImage;
};

std::mutex earlyLock;
std::shared_ptr<EarlyListing> early;

} // namespace

void FolderListing::startEarly(const QString& folder,
                               const std::function<void(const QString&)>& firstImage)
{
    auto listing = std::make_shared<EarlyListing>();
    listing->folder = folder;
    {
        const std::lock_guard<std::mutex> held(earlyLock);
        early = listing;
    }
    ++runningWorkers;
    std::thread([listing, firstImage] {
        FirstImageWish wish;
        wish.tell = [listing, firstImage](const QString& imagePath) {
            if (firstImage)
                firstImage(imagePath);
            {
                const std::lock_guard<std::mutex> held(listing->lock);
                listing->firstImage = imagePath;
            }
            listing->done.notify_all();
        };
        BatchFiles batch = listFolderImages(listing->folder, &listing->found, wish);
        {
            const std::lock_guard<std::mutex> held(listing->lock);
            listing->batch = std::move(batch);
            listing->finished = true;
        }
        listing->done.notify_all();
        --runningWorkers;
    }).detach();
}

FolderListing::Lister FolderListing::listerFor(const QString& folder) const
{
    std::shared_ptr<EarlyListing> listing;
    {
        const std::lock_guard<std::mutex> held(earlyLock);
        if (!early || early->folder != folder)
            return lister;
        listing.swap(early);
    }
    // Waits for the early worker, passing its count and its first image on as they come. The
    // first image was found without a remembered one, so it is told only when none is wished.
    return [listing](const QString&, std::atomic<int>* found, const FirstImageWish& wish) {
        const auto countEvery = std::chrono::milliseconds(countMilliseconds);
        bool told = !wish.remembered.isEmpty() || !wish.tell;
        std::unique_lock<std::mutex> held(listing->lock);
        for (;;) {
            found->store(listing->found.load(std::memory_order_relaxed));
            if (!told && !listing->firstImage.isEmpty()) {
                told = true;
                const QString firstImage = listing->firstImage;
                held.unlock();
                wish.tell(firstImage);
                held.lock();
            }
            if (listing->finished)
                return std::move(listing->batch);
            listing->done.wait_for(held, countEvery);
        }
    };
}

FolderListing::FolderListing() : FolderListing(listerInUse() ? listerInUse() : &listFolder) {}

void FolderListing::useLister(Lister lister)
{
    listerInUse() = std::move(lister);
}

FolderListing::FolderListing(Lister folderLister)
    : lister(std::move(folderLister)), mailbox(std::make_shared<Mailbox>())
{
    mailbox->owner = this;
    countTimer.setInterval(countMilliseconds);
    connect(&countTimer, &QTimer::timeout, this, &FolderListing::reportCount);
}

FolderListing::~FolderListing()
{
    const std::lock_guard<std::mutex> held(mailbox->lock);
    mailbox->owner = nullptr;
}

int FolderListing::workersUnderWay()
{
    return runningWorkers.load();
}

void FolderListing::start(const QString& folder, const QString& shownImage)
{
    auto request = std::make_shared<Request>();
    request->folder = folder;
    request->shownImage = shownImage;
    current = request;
    ++runningWorkers;
    FirstImageWish wish;
    wish.remembered = shownImage;
    wish.tell = [request, box = mailbox](const QString& imagePath) {
        post(box, [request, imagePath](FolderListing* owner) {
            owner->firstImageFound(request, imagePath);
        });
    };
    std::thread([request, wish, list = listerFor(folder), box = mailbox] {
        BatchFiles batch = list(request->folder, &request->found, wish);
        auto listed = std::make_shared<BatchFiles>(std::move(batch));
        post(box, [request, listed](FolderListing* owner) {
            owner->finished(request, std::move(*listed));
        });
        // After the list, which the window waits for; a sweep is never waited for.
        removeLeftovers(request->folder);
        --runningWorkers;
    }).detach();
    countTimer.start();
}

void FolderListing::useNamedFinder(NamedFinder finder)
{
    namedFinderInUse() = std::move(finder);
}

void FolderListing::startNamed(const QStringList& files, NamedFinder finder)
{
    auto request = std::make_shared<Request>();
    current = request;
    countTimer.stop();
    ++runningWorkers;
    if (namedFinderInUse())
        finder = namedFinderInUse();
    std::thread([request, files, finder = std::move(finder), box = mailbox] {
        auto found = std::make_shared<NamedBatch>(finder(files));
        post(box, [request, found](FolderListing* owner) {
            owner->namedFound(request, std::move(*found));
        });
        removeLeftoversBeside(files);
        --runningWorkers;
    }).detach();
}

void FolderListing::post(const std::shared_ptr<Mailbox>& box,
                         std::function<void(FolderListing* owner)> call)
{
    const std::lock_guard<std::mutex> held(box->lock);
    if (box->owner)
        QMetaObject::invokeMethod(
            box->owner, [owner = box->owner, call = std::move(call)] { call(owner); },
            Qt::QueuedConnection);
}

void FolderListing::cancel()
{
    current.reset();
    countTimer.stop();
}

void FolderListing::finished(const std::shared_ptr<Request>& request, BatchFiles batch)
{
    // Replaced or cancelled meanwhile: nobody wants this any more.
    if (request != current)
        return;
    current.reset();
    countTimer.stop();
    result = std::move(batch);
    emit sglListed(request->folder, request->shownImage);
}

void FolderListing::namedFound(const std::shared_ptr<Request>& request, NamedBatch found)
{
    if (request != current)
        return;
    current.reset();
    namedResult = std::move(found);
    emit sglNamedFound();
}

void FolderListing::firstImageFound(const std::shared_ptr<Request>& request,
                                    const QString& imagePath)
{
    if (request == current)
        emit sglFirstImage(request->folder, imagePath);
}

void FolderListing::reportCount()
{
    if (current)
        emit sglCounted(current->folder, current->found.load(std::memory_order_relaxed));
}
