#include "earlyimageread.h"

#include "imagedecoding.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

struct Reading
{
    QString path;
    std::mutex lock;
    std::condition_variable done;
    std::optional<ImageFile> file;
};

std::mutex readingLock;
std::shared_ptr<Reading> reading;
std::atomic<int> readsUnderWay{0};

} // namespace

void EarlyImageRead::start(const QString& path)
{
    auto next = std::make_shared<Reading>();
    next->path = path;
    {
        const std::lock_guard<std::mutex> held(readingLock);
        reading = next;
    }
    ++readsUnderWay;
    // Detached: a share that stalls must not hold up the end of the program.
    std::thread([next] {
        ImageFile file = readImageFile(next->path);
        {
            const std::lock_guard<std::mutex> held(next->lock);
            next->file = std::move(file);
        }
        next->done.notify_all();
        --readsUnderWay;
    }).detach();
}

ImageFile EarlyImageRead::takeOrRead(const QString& path)
{
    std::shared_ptr<Reading> early;
    {
        const std::lock_guard<std::mutex> held(readingLock);
        early = std::exchange(reading, nullptr);
    }
    if (!early || early->path != path)
        return readImageFile(path);
    std::unique_lock<std::mutex> held(early->lock);
    early->done.wait(held, [&early] { return early->file.has_value(); });
    return std::move(*early->file);
}

int EarlyImageRead::underWay()
{
    return readsUnderWay.load();
}
