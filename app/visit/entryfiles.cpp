#include "entryfiles.h"

#include "labelfilesave.h"
#include "labelpath.h"
#include "teampaths.h"

#include <QFileInfo>

#include <future>

namespace {

// Each look at a share is a round trip: begun side by side, the entry waits for the slowest.
template <typename Look> auto aside(Look look)
{
    return std::async(std::launch::async, std::move(look));
}

std::future<bool> existsAside(const QString& path)
{
    return aside([path] { return !path.isEmpty() && QFileInfo::exists(path); });
}

std::optional<Review> reviewOf(const LabelFileSnapshot& file)
{
    Review review;
    if (!file.exists || !file.readable ||
        !parseReview(QByteArray::fromStdString(file.bytes), review))
        return std::nullopt;
    return review;
}

} // namespace

EntryFiles EntryFiles::read(const QString& imagePath, const QString& labelPath)
{
    EntryFiles files;
    auto reviewFile =
        aside([imagePath] { return LabelFileSnapshot::of(reviewPathFor(imagePath)); });
    auto linked = aside([labelPath] { return LabelFileSave::linkedFileBeside(labelPath); });
    files.label = LabelFileSnapshot::of(labelPath);
    files.reviewFile = reviewFile.get();
    files.review = reviewOf(files.reviewFile);
    files.linkedLabel = linked.get();
    return files;
}

EntryFiles EntryFiles::revalidated(const QString& imagePath, const QString& labelPath,
                                   const QString& keptPath) const
{
    EntryFiles files;
    // Both read whole: a share's clock may run behind this computer's, so no time of a file
    // tells that a rewrite to the same size in its second was seen. This is the claim worker's
    // read, which the first edit waits for.
    auto reviewRead =
        aside([imagePath] { return LabelFileSnapshot::of(reviewPathFor(imagePath)); });
    std::future<bool> kept = existsAside(keptPath);
    std::future<bool> recovery = existsAside(recoveryPathFor(labelPath));
    std::future<bool> olderRecovery = existsAside(olderRecoveryPathFor(labelPath));
    std::future<bool> proposal = existsAside(proposalPathFor(imagePath));
    auto linked = aside([labelPath] { return LabelFileSave::linkedFileBeside(labelPath); });
    const LabelFileSnapshot labelNow = LabelFileSnapshot::of(labelPath);
    // Read ahead a grain or more before, the label file's size and time prove it from now on.
    files.label = labelNow == label ? label.confirmedBy(labelNow) : labelNow;
    files.reviewFile = reviewRead.get();
    files.review = files.reviewFile == reviewFile ? review : reviewOf(files.reviewFile);
    files.linkedLabel = linked.get();
    // A look not asked for is still waited for as its future goes: none outlives this entry.
    const bool keptWork = kept.get() || recovery.get() || olderRecovery.get();
    files.hasKeptWork = keptWork || (!files.label.exists && proposal.get());
    return files;
}
