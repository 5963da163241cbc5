#ifndef QUADROTAG_FOLDERIMAGES_H
#define QUADROTAG_FOLDERIMAGES_H

#include "batchfiles.h"
#include "imagenames.h"
#include "nameset.h"

#include <QString>

class IcuCollator;

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whether a file name, as the file system spells it, is an image of a batch: an image's
// suffix in any case, not hidden.
bool isVisibleImage(std::string_view name);
// A label file's name: "*.lbl", in small letters as the program writes it.
bool isLabelFileName(std::string_view name);

// The image names of one folder as they are read, in one buffer, made into the batch at the
// end: paths, the state of each label file and proposal, and natural order. The paths are made
// on several threads for a long list.
class FolderImages
{
public:
    // Counts into found, when given, every so many images, for another thread to show. A name
    // that can't be read as text is left out and noted.
    void add(std::string_view name, std::atomic<int>* found = nullptr);
    std::size_t size() const { return starts.size(); }
    // labelStems and proposalStems: the names, without suffix, of the label files and proposals.
    BatchFiles sortedBatch(const QString& pathPrefix, const NameSet& labelStems,
                           const NameSet& proposalStems) const;
    // The image the sorted batch starts at, found without sorting so that it can be shown while
    // the list is made: the name remembered when it is here, else the first in natural order
    // with neither label file nor proposal. None when every image has one or the other, or
    // when the remembered image may share its label file with a twin.
    std::optional<std::size_t> firstToShow(const NameSet& labelStems, const NameSet& proposalStems,
                                           std::string_view remembered) const;
    QString pathAt(const QString& pathPrefix, std::size_t index) const;

private:
    std::string_view nameAt(std::size_t index) const;
    // The first name so far of a search, with its text.
    struct FirstName
    {
        std::optional<std::size_t> index;
        QString text;
        void offer(const IcuCollator& collator, std::size_t offered, QStringView offeredText,
                   QString& holder);
    };
    void markSharedLabels(const std::vector<int>& order, BatchFiles& batch) const;

    std::string names;
    std::vector<std::size_t> starts;
    // Names whose suffix is not ".jpg" as written: only they can share a stem with another
    // ("x.JPG", "x.png" beside "x.jpg").
    NameSet otherSuffixStems;
    QStringList undecodable;
};

#endif
