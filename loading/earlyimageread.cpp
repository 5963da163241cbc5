#include "earlyimageread.h"

#include "imagedecoding.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct Reading
{
    QString path;
    std::mutex lock;
    std::condition_variable done;
    std::shared_ptr<ImageStream> stream;
    bool opened = false;
    bool dropped = false;
};

std::mutex readingLock;
std::shared_ptr<Reading> reading;
std::atomic<int> opensUnderWay{0};

std::shared_ptr<ImageStream> openNow(const QString& path)
{
    return ImageStream::open(path, decodeByteBudget);
}

// Nobody will take its bytes: what is not yet asked for is not read.
void drop(Reading& early)
{
    const std::lock_guard<std::mutex> held(early.lock);
    early.dropped = true;
    if (early.stream)
        early.stream->abandon();
}

} // namespace

void EarlyImageRead::start(const QString& path)
{
    auto next = std::make_shared<Reading>();
    next->path = path;
    {
        const std::lock_guard<std::mutex> held(readingLock);
        reading = next;
    }
    ++opensUnderWay;
    // Detached: a share that stalls must not hold up the end of the program.
    std::thread([next] {
        std::shared_ptr<ImageStream> stream = openNow(next->path);
        {
            const std::lock_guard<std::mutex> held(next->lock);
            if (next->dropped)
                stream->abandon();
            next->stream = std::move(stream);
            next->opened = true;
        }
        next->done.notify_all();
        --opensUnderWay;
    }).detach();
}

std::shared_ptr<ImageStream> EarlyImageRead::takeOrOpen(const QString& path)
{
    std::shared_ptr<Reading> early;
    {
        const std::lock_guard<std::mutex> held(readingLock);
        early = std::exchange(reading, nullptr);
    }
    if (early && early->path != path)
        drop(*early);
    if (!early || early->path != path)
        return openNow(path);
    std::unique_lock<std::mutex> held(early->lock);
    early->done.wait(held, [&early] { return early->opened; });
    return early->stream;
}

int EarlyImageRead::underWay()
{
    return opensUnderWay.load() + ImageStream::readersUnderWay();
}
