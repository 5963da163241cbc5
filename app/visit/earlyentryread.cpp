#include "earlyentryread.h"

#include "labelpath.h"

#include <QPromise>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

std::mutex earlyLock;
EarlyEntryRead::Read early;
std::atomic<int> readsUnderWay{0};

} // namespace

void EarlyEntryRead::start(const QString& imagePath)
{
    auto promise = std::make_shared<QPromise<EntryFiles>>();
    EarlyEntryRead::Read next{imagePath, labelPathFor(imagePath), promise->future()};
    promise->start();
    ++readsUnderWay;
    try {
        // Detached: a share that stalls must not hold up the end of the program.
        std::thread([promise, imagePath, labelPath = next.labelPath] {
            promise->addResult(EntryFiles::read(imagePath, labelPath));
            promise->finish();
            --readsUnderWay;
        }).detach();
    } catch (...) {
        --readsUnderWay;
        return;
    }
    const std::lock_guard<std::mutex> held(earlyLock);
    early = std::move(next);
}

EarlyEntryRead::Read EarlyEntryRead::take()
{
    const std::lock_guard<std::mutex> held(earlyLock);
    return std::exchange(early, Read());
}

int EarlyEntryRead::underWay()
{
    return readsUnderWay.load();
}
