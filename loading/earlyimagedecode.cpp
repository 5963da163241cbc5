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
    // Asked for by the one who waits for it.
    int topRows = 0;
    std::function<void(ScreenImage)> showTop;
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

// On the decoding thread, where the rows below are not being written.
void showTopOnceIn(Decoding& early, const ScreenImage& sofar, int rows)
{
    std::function<void(ScreenImage)> show;
    int wanted = 0;
    {
        const std::lock_guard<std::mutex> held(early.lock);
        if (!early.showTop || rows < early.topRows || early.topRows >= sofar.fullSize.height())
            return;
        show = std::exchange(early.showTop, nullptr);
        wanted = early.topRows;
    }
    ScreenImage top = topRowsOf(sofar, wanted);
    if (!top.isNull())
        show(std::move(top));
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
    const auto rowsIn = [&early](const ScreenImage& sofar, int rows) {
        showTopOnceIn(early, sofar, rows);
    };
    EarlyImageDecode::Decoded decoded{decodeImageForScreen(*stream, rowsIn), stream->whole()};
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

std::optional<EarlyImageDecode::Decoded>
EarlyImageDecode::take(const QString& path, int topRows,
                       const std::function<void(ScreenImage)>& showTop)
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
    if (topRows > 0) {
        early->topRows = topRows;
        early->showTop = showTop;
    }
    early->done.wait(held, [&early] { return early->decoded.has_value(); });
    early->showTop = nullptr;
    return std::move(early->decoded);
}

int EarlyImageDecode::underWay()
{
    return decodesUnderWay.load() + ImageStream::readersUnderWay();
}
