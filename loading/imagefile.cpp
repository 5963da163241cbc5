#include "imagefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <future>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Below this a file is read in one call; above, in up to readsAtOnce ranges of at least this.
// On a share one call of a few hundred kilobytes already waits several round trips in turn.
const qint64 smallestRange = qint64(128) << 10;
const int readsAtOnce = 8;

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

// Each range from a thread of its own, the first from this one.
bool readWhole(int descriptor, char* target, qint64 size)
{
    const int ranges = int(std::clamp<qint64>(size / smallestRange, 1, readsAtOnce));
    const qint64 rangeBytes = (size + ranges - 1) / ranges;
    std::vector<char> done(std::size_t(ranges), 0);
    std::vector<std::thread> readers;
    for (int range = 1; range < ranges; ++range) {
        const qint64 offset = range * rangeBytes;
        const qint64 length = std::min(rangeBytes, size - offset);
        const auto read = [&done, descriptor, target, offset, length, range] {
            done[std::size_t(range)] = readRange(descriptor, target + offset, offset, length);
        };
        // Without a thread to spare, the range is read here.
        try {
            readers.emplace_back(read);
        } catch (...) {
            read();
        }
    }
    done[0] = readRange(descriptor, target, 0, std::min(rangeBytes, size));
    for (std::thread& reader : readers)
        reader.join();
    return std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; });
}

// On a worker a failed allocation must not end the program: it leaves the bytes empty.
void readInto(ImageFile& file, int descriptor) noexcept
{
    try {
        QByteArray bytes(file.size, Qt::Uninitialized);
        if (readWhole(descriptor, bytes.data(), file.size))
            file.bytes = std::move(bytes);
        else
            file.cutShort = true;
    } catch (...) {
        file.bytes.clear();
    }
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

ImageFile readImageFile(const QString& path, qint64 budget)
{
    ImageFile file;
    file.path = path;
    const QByteArray name = QFile::encodeName(path);
    std::future<struct stat> looked = lookAt(name);
    // Without O_NONBLOCK opening a FIFO would wait for a writer.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Its identity before any byte is read: a file changed or put in its place since is newer
    // than the stamp, which the look at the file before its image is used finds.
    const struct stat before = looked.get();
    if (descriptor < 0 || !S_ISREG(before.st_mode)) {
        if (descriptor >= 0)
            ::close(descriptor);
        return file;
    }
    file.size = qint64(before.st_size);
    file.modified = modifiedOf(before);
    file.overBudget = file.size > budget;
    if (!file.overBudget && file.size > 0)
        readInto(file, descriptor);
    ::close(descriptor);
    return file;
}
