#include "labelfile.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class WriteResult { NotOpened, Failed, Written };
enum class LinkAtPath { Followed, Replaced };

std::string contentsOf(const ImageAnnotation& annotation, bool withUntagged)
{
    std::ostringstream out;
    out << annotation.styleIndex << '\n';
    for (const Label& label : annotation.labels) {
        if (!isStoredShape(label) && !withUntagged)
            continue;
        out << label.points.size() << ' ';
        for (const QPoint& point : label.points)
            out << point.x() << ' ' << point.y() << ' ';
        out << '\n' << label.tags.size() << ' ';
        for (const auto& [row, column] : label.tags)
            out << row << ' ' << column << ' ';
        out << '\n';
    }
    return out.str();
}

} // namespace

bool isStoredShape(const Label& label)
{
    return !label.tags.empty();
}

int storedShapeCount(const ImageAnnotation& annotation)
{
    return int(std::count_if(annotation.labels.begin(), annotation.labels.end(), isStoredShape));
}

std::string labelFileContents(const ImageAnnotation& annotation)
{
    return contentsOf(annotation, false);
}

std::string labelFileContentsOfEveryShape(const ImageAnnotation& annotation)
{
    return contentsOf(annotation, true);
}

namespace {

// Writes every byte, then waits for the disk: without that a power cut right after
// the rename could leave an empty label file.
bool writeAllAndSync(int descriptor, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return ::fsync(descriptor) == 0 || errno == EINVAL;
}

WriteResult writeWithFlags(const std::string& path, int flags, const std::string& bytes,
                           mode_t mode)
{
    const int descriptor = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, mode);
    if (descriptor < 0)
        return WriteResult::NotOpened;
    const bool written = writeAllAndSync(descriptor, bytes);
    const bool closed = ::close(descriptor) == 0;
    return written && closed ? WriteResult::Written : WriteResult::Failed;
}

const int temporaryAttempts = 8;

// Short, so that it fits wherever the file's own name does; hidden and ending in ".tmp", so
// that no listing takes it for an image or a label file.
std::string temporaryPathBeside(const fs::path& target)
{
    char name[32];
    std::snprintf(name, sizeof name, ".%016llx.tmp",
                  static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
    return (target.parent_path() / name).string();
}

// In a shared folder anything may stand at a name: a file or symbolic link found there is
// someone else's, neither removed nor followed, and another name is tried.
WriteResult writeTemporary(const fs::path& target, const std::string& bytes, std::string& path,
                           mode_t mode)
{
    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        path = temporaryPathBeside(target);
        const WriteResult result = writeWithFlags(path, O_CREAT | O_EXCL | O_NOFOLLOW, bytes, mode);
        if (result != WriteResult::NotOpened || errno != EEXIST)
            return result;
    }
    return WriteResult::NotOpened;
}

// Reads whitespace-separated integers; once a read fails, every later read fails too.
class NumberReader
{
public:
    explicit NumberReader(std::istream& stream) : in(stream) {}

    bool next(int& value)
    {
        if (failed)
            return false;
        in >> std::ws;
        if (in.peek() == std::char_traits<char>::eof()) {
            failed = true;
            // A read error also looks like the end; only a clean end is one.
            atEnd = !in.bad();
            return false;
        }
        failed = !(in >> value);
        return !failed;
    }

    // True when the last failed read found nothing but white space left.
    bool stoppedAtEnd() const { return atEnd; }

private:
    std::istream& in;
    bool failed = false;
    bool atEnd = false;
};

bool readPoints(NumberReader& in, int count, std::vector<QPoint>& points)
{
    for (int i = 0; i < count; ++i) {
        int x = 0;
        int y = 0;
        if (!in.next(x) || !in.next(y))
            return false;
        points.emplace_back(x, y);
    }
    return true;
}

bool readTags(NumberReader& in, std::vector<std::pair<int, int>>& tags)
{
    int count = 0;
    if (!in.next(count))
        return false;
    for (int i = 0; i < count; ++i) {
        int row = 0;
        int column = 0;
        if (!in.next(row) || !in.next(column))
            return false;
        tags.emplace_back(row, column);
    }
    return true;
}

// The bits this process's file creation mask takes from a new file; all of them when unknown.
mode_t creationMask()
{
    static const mode_t mask = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("Umask:", 0) == 0)
                return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        return static_cast<mode_t>(07777);
    }();
    return mask;
}

// Whether a file created with these bits may lack some: the mask here, or a share's server
// with the common 022 of its own, takes them; the special bits are set apart.
bool creationMayCut(mode_t mode)
{
    return (mode & (creationMask() | 022 | 07000)) != 0;
}

// The temporary file, written on a thread of its own while besideWrite runs here: on a share
// each of them waits a round trip or more.
WriteResult writeTemporaryBeside(const fs::path& target, const std::string& bytes,
                                 std::string& path, mode_t mode,
                                 const std::function<bool()>& besideWrite, bool& mayGoOn)
{
    if (!besideWrite) {
        mayGoOn = true;
        return writeTemporary(target, bytes, path, mode);
    }
    // Written in turn when no thread can be had.
    std::future<WriteResult> writing = std::async(std::launch::async | std::launch::deferred, [&] {
        return writeTemporary(target, bytes, path, mode);
    });
    mayGoOn = besideWrite();
    return writing.get();
}

// What stands at the final name decides what is replaced: a label file reached through a
// link is the linked file, but a file of the program's own is never written through a link
// someone put in its place.
bool replaceFileBytes(const std::string& bytes, const std::string& path, LinkAtPath link,
                      const std::function<bool()>& besideWrite = {},
                      const std::function<bool()>& mayReplace = {}, bool removeLeftover = true,
                      const std::optional<fs::file_status>& lookedAt = {})
{
    fs::path target(path);
    if (path.empty() || !target.has_filename())
        return false;
    std::error_code error;
    // One look at the name itself; only a link there costs another, and its resolution.
    fs::file_status status =
        lookedAt && link == LinkAtPath::Followed ? *lookedAt : fs::symlink_status(target, error);
    if (link == LinkAtPath::Followed && fs::is_symlink(status)) {
        status = fs::status(target, error);
        if (fs::exists(status)) {
            target = fs::canonical(target, error);
            if (error)
                return false;
        }
    }
    const bool replacing = fs::exists(status);
    const bool isLink = fs::is_symlink(status);
    const bool keepsBits = replacing && !isLink;
    if (keepsBits && (!fs::is_regular_file(status) || ::access(path.c_str(), W_OK) != 0))
        return false;

    const std::string finalPath = target.string();
    const mode_t mode = keepsBits ? static_cast<mode_t>(status.permissions()) & 07777 : 0666;
    std::string temporaryPath;
    bool mayGoOn = false;
    // Writing in place instead could leave a cut file behind on a full disk.
    switch (writeTemporaryBeside(target, bytes, temporaryPath, mode, besideWrite, mayGoOn)) {
    case WriteResult::NotOpened:
        return false;
    case WriteResult::Failed:
        std::remove(temporaryPath.c_str());
        return false;
    case WriteResult::Written:
        break;
    }

    if (keepsBits && creationMayCut(mode))
        fs::permissions(temporaryPath, status.permissions(), error);
    // A write that stalled on a share may end long after the checks made beside it.
    if (!mayGoOn || (mayReplace && !mayReplace())) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    if (std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    if (removeLeftover)
        removeLeftoverTemporary(finalPath);
    return true;
}

} // namespace

bool writeLabelFile(const ImageAnnotation& annotation, const std::string& path)
{
    return writeLabelBytes(labelFileContents(annotation), path);
}

bool writeLabelBytes(const std::string& bytes, const std::string& path)
{
    return replaceFileBytes(bytes, path, LinkAtPath::Followed);
}

bool writeLabelBytesIf(const std::string& bytes, const std::string& path,
                       const std::function<bool()>& besideWrite,
                       const std::function<bool()>& mayReplace,
                       const std::optional<fs::file_status>& lookedAt)
{
    return replaceFileBytes(bytes, path, LinkAtPath::Followed, besideWrite, mayReplace, false,
                            lookedAt);
}

// Earlier versions wrote "<name>.tmp"; one a killed run left behind would stay forever.
void removeLeftoverTemporary(const std::string& path)
{
    ::unlink((path + ".tmp").c_str());
}

bool writeOwnFileBytes(const std::string& bytes, const std::string& path)
{
    return replaceFileBytes(bytes, path, LinkAtPath::Replaced);
}

bool readLabelFile(ImageAnnotation& annotation, const std::string& path)
{
    bool readToEnd = false;
    return readLabelFile(annotation, path, readToEnd);
}

bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd)
{
    bool styleRead = false;
    return readLabelFile(annotation, path, readToEnd, styleRead);
}

bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd,
                   bool& styleRead)
{
    std::ifstream in(path);
    if (!in.is_open())
        return false;
    readLabelStream(annotation, in, readToEnd, styleRead);
    return true;
}

void readLabelBytes(ImageAnnotation& annotation, const std::string& bytes, bool& readToEnd)
{
    std::istringstream in(bytes);
    readLabelStream(annotation, in, readToEnd);
}

void readLabelStream(ImageAnnotation& annotation, std::istream& in, bool& readToEnd)
{
    bool styleRead = false;
    readLabelStream(annotation, in, readToEnd, styleRead);
}

void readLabelStream(ImageAnnotation& annotation, std::istream& in, bool& readToEnd,
                     bool& styleRead)
{
    NumberReader numbers(in);

    int styleIndex = 0;
    styleRead = numbers.next(styleIndex);
    if (styleRead)
        annotation.styleIndex = styleIndex;

    // Only a clean end where a point count is due means the whole file was read.
    int pointCount = 0;
    bool shapeCut = false;
    while (numbers.next(pointCount)) {
        Label label;
        if (!readPoints(numbers, pointCount, label.points) || !readTags(numbers, label.tags)) {
            shapeCut = true;
            break;
        }
        annotation.labels.push_back(std::move(label));
    }
    readToEnd = !shapeCut && numbers.stoppedAtEnd();
}
