#include "earlyimagedecode.h"

#include "imagedecoding.h"
#include "imagestream.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct Decoding
{
    QString path;
    std::mutex lock;
    std::condition_variable done;
    std::shared_ptr<ImageStream> stream;
    std::optional<EarlyImageDecode::Decoded> decoded;
    bool dropped = false;
};

std::mutex decodingLock;
std::shared_ptr<Decoding> decoding;
std::atomic<int> decodesUnderWay{0};

// Nobody will take its pixels: what is not yet asked for is not read, which ends the decode.
void drop(Decoding& early)
{
    const std::lock_guard<std::mutex> held(early.lock);
    early.dropped = true;
    if (early.stream)
        early.stream->abandon();
}

void decode(Decoding& early)
{
    std::shared_ptr<ImageStream> stream = ImageStream::open(early.path, decodeByteBudget);
    {
        const std::lock_guard<std::mutex> held(early.lock);
        early.stream = stream;
        if (early.dropped)
            stream->abandon();
    }
    EarlyImageDecode::Decoded decoded{decodeImageForScreen(*stream), stream->whole()};
    decoded.file.bytes.clear();
    {
        const std::lock_guard<std::mutex> held(early.lock);
        early.decoded = std::move(decoded);
        early.stream.reset();
    }
    early.done.notify_all();
}

} // namespace

void EarlyImageDecode::start(const QString& path)
{
    auto next = std::make_shared<Decoding>();
    next->path = path;
    std::shared_ptr<Decoding> before;
    {
        const std::lock_guard<std::mutex> held(decodingLock);
        before = std::exchange(decoding, next);
    }
    if (before)
        drop(*before);
    ++decodesUnderWay;
    // Detached: a share that stalls must not hold up the end of the program.
    try {
        std::thread([next] {
            decode(*next);
            --decodesUnderWay;
        }).detach();
    } catch (...) {
        --decodesUnderWay;
        const std::lock_guard<std::mutex> held(decodingLock);
        decoding.reset();
    }
}

std::optional<EarlyImageDecode::Decoded> EarlyImageDecode::take(const QString& path)
{
    std::shared_ptr<Decoding> early;
    {
        const std::lock_guard<std::mutex> held(decodingLock);
        early = std::exchange(decoding, nullptr);
    }
    if (!early)
        return std::nullopt;
    if (early->path != path) {
        drop(*early);
        return std::nullopt;
    }
    std::unique_lock<std::mutex> held(early->lock);
    early->done.wait(held, [&early] { return early->decoded.has_value(); });
    return std::move(early->decoded);
}

int EarlyImageDecode::underWay()
{
    return decodesUnderWay.load() + ImageStream::readersUnderWay();
}
