#include "folderimages.h"

#include "icucollator.h"
#include "namebytes.h"
#include "naturalorder.h"
#include "splitwork.h"
#include "starttrace.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace {

// Often enough for a status bar, rarely enough to cost nothing.
const std::size_t countEvery = 1024;
const std::string_view commonSuffix = ".jpg";
const std::string_view labelSuffix = ".lbl";

// Eight bytes at a time: this runs for every name of a folder, more than once.
bool isAscii(std::string_view name)
{
    const std::uint64_t highBits = 0x8080808080808080ull;
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= name.size(); at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + at, sizeof word);
        if (word & highBits)
            return false;
    }
    return std::all_of(name.begin() + long(at), name.end(),
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

// The name as text, decoded into scratch; plain letters need no decoder.
QStringView textOf(std::string_view name, QString& scratch)
{
    if (!isAscii(name)) {
        scratch = QFile::decodeName(QByteArray(name.data(), qsizetype(name.size())));
        return scratch;
    }
    scratch.resize(qsizetype(name.size()));
    std::copy(name.begin(), name.end(), scratch.begin());
    return scratch;
}

} // namespace

// The first of the names offered, as naturalOrderOf sorts: by the collator, then by
// characters, then as read.
void FolderImages::FirstName::offer(const IcuCollator& collator, std::size_t offered,
                                    QStringView offeredText, QString& holder)
{
    if (index) {
        const int byCollator = collator.compare(offeredText, text);
        const int byCharacters = byCollator != 0 ? byCollator : offeredText.compare(text);
        if (byCharacters > 0 || (byCharacters == 0 && offered > *index))
            return;
    }
    index = offered;
    // The text is kept by taking the string that holds it; holder gets the old one to reuse.
    if (offeredText.data() == holder.constData() && offeredText.size() == holder.size())
        std::swap(text, holder);
    else
        text = offeredText.toString();
}

bool isVisibleImage(std::string_view name)
{
    return isImageFileName(name) && name.front() != '.';
}

bool isLabelFileName(std::string_view name)
{
    return name.size() >= labelSuffix.size() &&
           name.substr(name.size() - labelSuffix.size()) == labelSuffix;
}

void FolderImages::add(std::string_view name, std::atomic<int>* found)
{
    if (!isDecodableName(name)) {
        undecodable << escapedName(name);
        return;
    }
    if (name.size() < commonSuffix.size() ||
        name.substr(name.size() - commonSuffix.size()) != commonSuffix)
        otherSuffixStems.insert(stemOf(name));
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
    const std::vector<int> order =
        naturalOrderOf(size(), [this](std::size_t index, QString& scratch) -> QStringView {
            return textOf(nameAt(index), scratch);
        });
    traceStartStep("names sorted");
    BatchFiles batch;
    batch.imagePaths.resize(qsizetype(size()));
    QString* paths = batch.imagePaths.data();
    std::vector<char> labelled(size());
    std::vector<char> proposed(size());
    // Made in list order, so that going down the list reads memory in order.
    runInParts(size(), partsFor(size()), [&](int, std::size_t begin, std::size_t end) {
        for (std::size_t row = begin; row < end; ++row) {
            const std::string_view name = nameAt(std::size_t(order[row]));
            paths[row] = pathOf(pathPrefix, name);
            labelled[row] = labelStems.contains(stemOf(name));
            proposed[row] = proposalStems.contains(stemOf(name));
        }
    });
    batch.labelled.assign(labelled.begin(), labelled.end());
    batch.proposed.assign(proposed.begin(), proposed.end());
    batch.undecodable = undecodable;
    markSharedLabels(order, batch);
    return batch;
}

std::optional<std::size_t> FolderImages::firstToShow(const NameSet& labelStems,
                                                     const NameSet& proposalStems,
                                                     std::string_view remembered) const
{
    // A remembered image whose label file may be its twin's is left for the whole list to
    // judge: shown alone it would be editable and write the other image's file.
    if (!remembered.empty())
        for (std::size_t index = 0; index < size(); ++index)
            if (nameAt(index) == remembered)
                return otherSuffixStems.contains(stemOf(remembered)) ? std::nullopt
                                                                     : std::optional(index);
    // A long list is searched in parts, each with a collator of its own.
    const int parts = partsFor(size());
    std::vector<FirstName> firstOfPart(static_cast<std::size_t>(parts));
    const IcuCollator collator(namingLocale());
    runInParts(size(), parts, [&](int part, std::size_t begin, std::size_t end) {
        const IcuCollator own(collator);
        FirstName& first = firstOfPart[std::size_t(part)];
        QString scratch;
        for (std::size_t index = begin; index < end; ++index) {
            const std::string_view stem = stemOf(nameAt(index));
            if (!labelStems.contains(stem) && !proposalStems.contains(stem))
                first.offer(own, index, textOf(nameAt(index), scratch), scratch);
        }
    });
    FirstName first;
    for (FirstName& ofPart : firstOfPart)
        if (ofPart.index)
            first.offer(collator, *ofPart.index, ofPart.text, ofPart.text);
    // Twins share their stem, so the first of them in this order is the one keeping the file.
    return first.index;
}

QString FolderImages::pathAt(const QString& pathPrefix, std::size_t index) const
{
    return pathOf(pathPrefix, nameAt(index));
}

// Two names share a stem only when one suffix is not ".jpg" as written, so a folder without
// such a name costs no look-up; the first in list order keeps the label file.
void FolderImages::markSharedLabels(const std::vector<int>& order, BatchFiles& batch) const
{
    if (otherSuffixStems.size() == 0)
        return;
    std::unordered_map<std::string_view, int> firstRowOf;
    for (std::size_t row = 0; row < order.size(); ++row) {
        const std::string_view stem = stemOf(nameAt(std::size_t(order[row])));
        if (!otherSuffixStems.contains(stem))
            continue;
        const auto [first, isFirst] = firstRowOf.try_emplace(stem, int(row));
        if (isFirst)
            continue;
        batch.sharedLabels.insert(int(row), first->second);
        batch.labelled[row] = false;
    }
}
