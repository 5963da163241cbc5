#include "folderimages.h"

#include "naturalorder.h"
#include "splitwork.h"

#include <QFile>

#include <algorithm>

namespace {

// Often enough for a status bar, rarely enough to cost nothing.
const std::size_t countEvery = 1024;
const std::string_view imageSuffix = ".jpg";
const std::string_view labelSuffix = ".lbl";

bool endsWithIgnoringCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    const std::string_view end = name.substr(name.size() - suffix.size());
    return std::equal(end.begin(), end.end(), suffix.begin(), [](char left, char right) {
        return (left >= 'A' && left <= 'Z' ? char(left - 'A' + 'a') : left) == right;
    });
}

bool isAscii(std::string_view name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

// One allocation per path; names in plain letters skip the UTF-8 decoder.
QString pathOf(const QString& prefix, std::string_view name)
{
    QString path;
    path.reserve(prefix.size() + qsizetype(name.size()));
    path.append(prefix);
    if (isAscii(name))
        path.append(QLatin1StringView(name.data(), qsizetype(name.size())));
    else
        path.append(QFile::decodeName(QByteArray(name.data(), qsizetype(name.size()))));
    return path;
}

} // namespace

bool isVisibleJpeg(std::string_view name)
{
    return endsWithIgnoringCase(name, imageSuffix) && name.front() != '.';
}

bool isLabelFileName(std::string_view name)
{
    return name.size() >= labelSuffix.size() &&
           name.substr(name.size() - labelSuffix.size()) == labelSuffix;
}

std::string_view stemOf(std::string_view name)
{
    return name.substr(0, name.size() - std::min(name.size(), imageSuffix.size()));
}

void FolderImages::add(std::string_view name, std::atomic<int>* found)
{
    starts.push_back(names.size());
    names.append(name);
    if (found && starts.size() % countEvery == 0)
        found->store(int(starts.size()), std::memory_order_relaxed);
}

std::string_view FolderImages::nameAt(std::size_t index) const
{
    const std::size_t end = index + 1 < starts.size() ? starts[index + 1] : names.size();
    return std::string_view(names).substr(starts[index], end - starts[index]);
}

BatchFiles FolderImages::sortedBatch(const QString& pathPrefix, const NameSet& labelStems,
                                     const NameSet& proposalStems) const
{
    QStringList paths;
    paths.resize(qsizetype(size()));
    QString* path = paths.data();
    std::vector<char> labelled(size());
    std::vector<char> proposed(size());
    runInParts(size(), partsFor(size()), [&](int, std::size_t begin, std::size_t end) {
        for (std::size_t index = begin; index < end; ++index) {
            path[index] = pathOf(pathPrefix, nameAt(index));
            labelled[index] = labelStems.contains(stemOf(nameAt(index)));
            proposed[index] = proposalStems.contains(stemOf(nameAt(index)));
        }
    });
    BatchFiles batch;
    batch.imagePaths.reserve(paths.size());
    batch.labelled.reserve(size());
    batch.proposed.reserve(size());
    for (const int index : naturalOrderOf(paths, pathPrefix.size())) {
        batch.imagePaths.append(std::move(path[index]));
        batch.labelled.push_back(labelled[std::size_t(index)] != 0);
        batch.proposed.push_back(proposed[std::size_t(index)] != 0);
    }
    return batch;
}
