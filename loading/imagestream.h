#ifndef QUADROTAG_IMAGESTREAM_H
#define QUADROTAG_IMAGESTREAM_H

#include "imagefile.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// An image file read from its first byte on, in ranges that several threads ask for at once,
// so that a decoder takes the first bytes while the rest are on their way: on a share the
// transfer and the decoding then overlap instead of following each other.
class ImageStream
{
public:
    // Looks at the file and opens it on this thread, then reads it on threads of its own unless
    // it holds more than budget bytes.
    static std::shared_ptr<ImageStream> open(const QString& path, qint64 budget);
    ~ImageStream();
    ImageStream(const ImageStream&) = delete;
    ImageStream& operator=(const ImageStream&) = delete;

    // The file as its opening found it, its bytes not yet read.
    const ImageFile& opened() const { return file; }
    // The bytes from the first that have arrived, all of them once it returns: waits until
    // there are more than from, or until no more will come.
    qint64 waitBeyond(qint64 from);
    const char* bytes() const { return file.bytes.constData(); }
    // The whole file, waited for; its bytes are empty where it was cut short.
    ImageFile whole();
    // No further range is asked for: nobody wants the bytes any more.
    void abandon() { abandoned = true; }
    // Reading threads still running, which the end of the program must not wait for.
    static int readersUnderWay();

private:
    explicit ImageStream(const QString& path);
    void startReading(const std::shared_ptr<ImageStream>& self);
    void readRanges();
    void rangeRead(int range, bool ok);

    ImageFile file;
    int descriptor = -1;
    char* target = nullptr;
    int ranges = 0;
    std::atomic<int> nextRange{0};
    std::atomic<bool> abandoned{false};
    std::mutex lock;
    std::condition_variable arrival;
    std::vector<char> rangesRead;
    qint64 arrived = 0;
    int readers = 0;
    bool failed = false;
};

#endif
