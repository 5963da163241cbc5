#include "imagestream.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <future>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A range is one read; several are asked for at once, which a share serves side by side. A share
// mounted through FUSE serves at most 128 KiB a request, a larger read waits one round trip per
// part in turn: in 64 KiB ranges the first megabyte comes in one round trip, not two.
const qint64 rangeBytes = qint64(64) << 10;
const int readsAtOnce = 16;

std::atomic<int> readingThreads{0};

QDateTime modifiedOf(const struct stat& status)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(status.st_mtim.tv_sec) * 1000 +
                                          status.st_mtim.tv_nsec / 1000000);
}

// Reads length bytes at offset into target; false on an error or an end before them.
bool readRange(int descriptor, char* target, qint64 offset, qint64 length)
{
    while (length > 0) {
        const ssize_t got = ::pread(descriptor, target, std::size_t(length), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        target += got;
        offset += got;
        length -= got;
    }
    return true;
}

// The path's attributes, asked beside its opening: on a share each waits a round trip.
std::future<struct stat> lookAt(const QByteArray& name)
{
    const auto look = [name] {
        struct stat status = {};
        if (::stat(name.constData(), &status) != 0)
            status.st_mode = 0;
        return status;
    };
    try {
        return std::async(std::launch::async, look);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, look);
    }
}

} // namespace

ImageStream::ImageStream(const QString& path)
{
    file.path = path;
}

ImageStream::~ImageStream()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

std::shared_ptr<ImageStream> ImageStream::open(const QString& path, qint64 budget)
{
    std::shared_ptr<ImageStream> stream(new ImageStream(path));
    const QByteArray name = QFile::encodeName(path);
    std::future<struct stat> looked = lookAt(name);
    // Without O_NONBLOCK opening a FIFO would wait for a writer.
    stream->descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Its identity before any byte is read: a file changed or put in its place since is newer
    // than the stamp, which the look at the file before its image is used finds.
    struct stat before = looked.get();
    // A file put in its place while it was opened is not the one opened: what is read is
    // stamped as what it is. On a share the opening's own answer serves, without a round trip.
    struct stat opened = {};
    if (stream->descriptor >= 0 && ::fstat(stream->descriptor, &opened) == 0 &&
        (opened.st_dev != before.st_dev || opened.st_ino != before.st_ino))
        before = opened;
    if (stream->descriptor < 0 || !S_ISREG(before.st_mode))
        return stream;
    ImageFile& file = stream->file;
    file.size = qint64(before.st_size);
    file.modified = modifiedOf(before);
    file.overBudget = file.size > budget;
    if (!file.overBudget && file.size > 0)
        stream->startReading(stream);
    return stream;
}

// On a worker a failed allocation must not end the program: the file reads as cut short.
void ImageStream::startReading(const std::shared_ptr<ImageStream>& self)
{
    try {
        file.bytes = QByteArray(file.size, Qt::Uninitialized);
    } catch (...) {
        failed = true;
        return;
    }
    target = file.bytes.data();
    ranges = int((file.size + rangeBytes - 1) / rangeBytes);
    rangesRead.assign(std::size_t(ranges), 0);
    const int wanted = std::min(ranges, readsAtOnce);
    for (int reader = 0; reader < wanted; ++reader) {
        {
            const std::lock_guard<std::mutex> held(lock);
            ++readers;
        }
        ++readingThreads;
        try {
            // Detached: a share that stalls must not hold up the end of the program.
            std::thread([self] { self->readRanges(); }).detach();
        } catch (...) {
            --readingThreads;
            const std::lock_guard<std::mutex> held(lock);
            --readers;
        }
    }
    // Without a thread to spare, the file is read here.
    bool noReader = false;
    {
        const std::lock_guard<std::mutex> held(lock);
        noReader = readers == 0;
        readers += noReader ? 1 : 0;
    }
    if (noReader) {
        ++readingThreads;
        readRanges();
    }
}

// Takes the next range not yet asked for, in order, until none is left.
void ImageStream::readRanges()
{
    for (int range = nextRange++; range < ranges && !abandoned; range = nextRange++) {
        const qint64 offset = range * rangeBytes;
        rangeRead(range, readRange(descriptor, target + offset, offset,
                                   std::min(rangeBytes, file.size - offset)));
    }
    {
        const std::lock_guard<std::mutex> held(lock);
        --readers;
    }
    arrival.notify_all();
    --readingThreads;
}

void ImageStream::rangeRead(int range, bool ok)
{
    {
        const std::lock_guard<std::mutex> held(lock);
        failed = failed || !ok;
        rangesRead[std::size_t(range)] = ok;
        for (qint64 next = arrived / rangeBytes; next < ranges && rangesRead[std::size_t(next)];
             ++next)
            arrived = std::min(file.size, (next + 1) * rangeBytes);
    }
    arrival.notify_all();
}

qint64 ImageStream::waitBeyond(qint64 from)
{
    std::unique_lock<std::mutex> held(lock);
    arrival.wait(held, [this, from] { return arrived > from || readers == 0; });
    return arrived;
}

ImageFile ImageStream::whole()
{
    waitBeyond(file.size);
    ImageFile read = file;
    const std::lock_guard<std::mutex> held(lock);
    // Abandoned or failed: it ended before its size, or changed meanwhile.
    if (file.isRead() && arrived < file.size) {
        read.bytes.clear();
        read.cutShort = true;
    }
    return read;
}

int ImageStream::readersUnderWay()
{
    return readingThreads.load();
}
