#include "folderlisting.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
// A count that moves five times a second reads as progress, not flicker.
const int countMilliseconds = 200;
std::atomic<int> runningWorkers{0};
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
};

std::mutex earlyLock;
std::shared_ptr<EarlyListing> early;

} // namespace

void FolderListing::startEarly(const QString& folder)
{
    auto listing = std::make_shared<EarlyListing>();
    listing->folder = folder;
    {
        const std::lock_guard<std::mutex> held(earlyLock);
        early = listing;
    }
    ++runningWorkers;
    std::thread([listing] {
        BatchFiles batch = listFolderImages(listing->folder, &listing->found);
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
    // Waits for the early worker, passing its count on as it goes.
    return [listing](const QString&, std::atomic<int>* found) {
        const auto countEvery = std::chrono::milliseconds(countMilliseconds);
        std::unique_lock<std::mutex> held(listing->lock);
        while (!listing->done.wait_for(held, countEvery, [&] { return listing->finished; }))
            found->store(listing->found.load(std::memory_order_relaxed));
        found->store(listing->found.load(std::memory_order_relaxed));
        return std::move(listing->batch);
    };
}

FolderListing::FolderListing() : FolderListing(Lister(&listFolderImages)) {}

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
    std::thread([request, list = listerFor(folder), box = mailbox] {
        BatchFiles batch = list(request->folder, &request->found);
        {
            const std::lock_guard<std::mutex> held(box->lock);
            // Posted while the owner lives; an owner deleted before it runs drops it.
            if (box->owner)
                QMetaObject::invokeMethod(
                    box->owner,
                    [owner = box->owner, request, listed = std::move(batch)]() mutable {
                        owner->finished(request, std::move(listed));
                    },
                    Qt::QueuedConnection);
        }
        --runningWorkers;
    }).detach();
    countTimer.start();
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

void FolderListing::reportCount()
{
    if (current)
        emit sglCounted(current->folder, current->found.load(std::memory_order_relaxed));
}
