#include "labelfile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class WriteResult { NotOpened, Failed, Written };

void writeContents(std::ostream& out, const ImageAnnotation& annotation)
{
    out << annotation.styleIndex << '\n';
    for (const Label& label : annotation.labels) {
        if (label.tags.empty())
            continue;
        out << label.points.size() << ' ';
        for (const QPoint& point : label.points)
            out << point.x() << ' ' << point.y() << ' ';
        out << '\n' << label.tags.size() << ' ';
        for (const auto& [row, column] : label.tags)
            out << row << ' ' << column << ' ';
        out << '\n';
    }
}

// Without this a power cut right after the rename could leave an empty label file.
bool syncToDisk(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0 || errno == EINVAL;
    ::close(descriptor);
    return synced;
}

WriteResult writeTo(const std::string& path, const ImageAnnotation& annotation)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return WriteResult::NotOpened;
    writeContents(out, annotation);
    out.flush();
    out.close();
    if (out.fail() || !syncToDisk(path))
        return WriteResult::Failed;
    return WriteResult::Written;
}

bool writeInPlace(const std::string& path, const ImageAnnotation& annotation)
{
    return writeTo(path, annotation) == WriteResult::Written;
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
            atEnd = true;
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

} // namespace

bool writeLabelFile(const ImageAnnotation& annotation, const std::string& path)
{
    fs::path target(path);
    if (path.empty() || !target.has_filename())
        return false;
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    const bool replacing = fs::exists(status);
    if (replacing) {
        if (!fs::is_regular_file(status) || ::access(path.c_str(), W_OK) != 0)
            return false;
        // Replace the file a symbolic link points at, not the link itself.
        target = fs::canonical(target, error);
        if (error)
            return false;
    }

    const std::string finalPath = target.string();
    const std::string temporaryPath = finalPath + ".tmp";
    switch (writeTo(temporaryPath, annotation)) {
    case WriteResult::NotOpened:
        // A folder we may not create files in can still hold a writable label file.
        return writeInPlace(finalPath, annotation);
    case WriteResult::Failed:
        std::remove(temporaryPath.c_str());
        return false;
    case WriteResult::Written:
        break;
    }

    if (replacing)
        fs::permissions(temporaryPath, status.permissions(), error);
    if (std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    return true;
}

bool readLabelFile(ImageAnnotation& annotation, const std::string& path)
{
    bool readToEnd = false;
    return readLabelFile(annotation, path, readToEnd);
}

bool readLabelFile(ImageAnnotation& annotation, const std::string& path, bool& readToEnd)
{
    std::ifstream in(path);
    if (!in.is_open())
        return false;
    NumberReader numbers(in);

    int styleIndex = 0;
    if (numbers.next(styleIndex))
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
    return true;
}
