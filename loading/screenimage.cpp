#include "screenimage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

const std::size_t hugePageSize = std::size_t(2) << 20;

void releaseBuffer(void* buffer)
{
    std::free(buffer);
}

} // namespace

// A photograph's buffer in huge pages takes a few dozen page faults instead of tens of
// thousands, which makes filling it three times quicker. It goes back to the system when the
// last copy of the image is gone.
QImage screenBuffer(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    void* buffer = nullptr;
    if (width <= 0 || height <= 0 || ::posix_memalign(&buffer, hugePageSize, bytes) != 0)
        return QImage();
#ifdef MADV_HUGEPAGE
    ::madvise(buffer, bytes, MADV_HUGEPAGE);
#endif
    return QImage(static_cast<uchar*>(buffer), width, height, bytesPerLine, QImage::Format_RGB32,
                  releaseBuffer, buffer);
}

namespace {

struct Mapping
{
    void* start;
    std::size_t bytes;
};

void unmap(void* mapping)
{
    const Mapping* mapped = static_cast<Mapping*>(mapping);
    ::munmap(mapped->start, mapped->bytes);
    delete mapped;
}

// Zeroed by the system and mapped only where touched, in huge pages where it can: the black
// below the rows copied costs nothing unless it is scrolled to.
QImage blackBuffer(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    void* start = width <= 0 || height <= 0 ? MAP_FAILED
                                            : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return QImage();
#ifdef MADV_HUGEPAGE
    ::madvise(start, bytes, MADV_HUGEPAGE);
#endif
    return QImage(static_cast<uchar*>(start), width, height, bytesPerLine, QImage::Format_RGB32,
                  unmap, new Mapping{start, bytes});
}

} // namespace

ScreenImage topRowsOf(const ScreenImage& sofar, int rows)
{
    const QImage& from = sofar.pixels;
    ScreenImage top = sofar;
    top.pixels = from.isNull() ? QImage() : blackBuffer(from.width(), from.height());
    if (top.pixels.isNull())
        return ScreenImage();
    const int storedRows =
        std::min(from.height(), (rows + sofar.reduction - 1) / std::max(1, sofar.reduction));
    std::memcpy(top.pixels.bits(), from.constBits(),
                std::size_t(from.bytesPerLine()) * std::size_t(storedRows));
    top.partial = true;
    return top;
}

#include "imagedecoding.h"

QString ScreenImage::refusalNote() const
{
    if (!tooLarge)
        return QString();
    if (unreadFileBytes >= 0) {
        // Rounded up: a file a byte past the budget must not read as the budget itself.
        const qint64 mebibyte = qint64(1) << 20;
        return QStringLiteral("\n(a file of %1 MiB is more than this program can read: %2 MiB)")
            .arg((unreadFileBytes + mebibyte - 1) / mebibyte)
            .arg(decodeByteBudget / mebibyte);
    }
    return QStringLiteral("\n(%1 × %2 pixels is more than this program can hold)")
        .arg(fullSize.width())
        .arg(fullSize.height());
}

QString ScreenImage::reductionNote() const
{
    return QStringLiteral("%1 × %2 pixels is more than this program can hold: shown at 1/%3, "
                          "shapes still in full-resolution pixels")
        .arg(fullSize.width())
        .arg(fullSize.height())
        .arg(sharpestReduction);
}

QString ScreenImage::firstPageNote()
{
    return QStringLiteral("This file holds several pages: the first is shown");
}
