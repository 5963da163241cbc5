#include "entryfiles.h"

#include "labelpath.h"
#include "teampaths.h"

#include <QFileInfo>

namespace {

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
    files.label = LabelFileSnapshot::of(labelPath);
    files.reviewFile = LabelFileSnapshot::of(reviewPathFor(imagePath));
    files.review = reviewOf(files.reviewFile);
    return files;
}

EntryFiles EntryFiles::readUnlessCurrent(const EntryFiles& known, const QString& imagePath,
                                         const QString& labelPath)
{
    if (known.label.isCurrent(labelPath) && known.reviewFile.isCurrent(reviewPathFor(imagePath)))
        return known;
    return read(imagePath, labelPath);
}

EntryFiles EntryFiles::revalidated(const QString& imagePath, const QString& labelPath,
                                   const QString& keptPath) const
{
    EntryFiles files;
    // Both read whole: a share's clock may run behind this computer's, so no time of a file
    // tells that a rewrite to the same size in its second was seen. This is the claim worker's
    // read, which no step waits for.
    files.label = LabelFileSnapshot::of(labelPath);
    files.reviewFile = LabelFileSnapshot::of(reviewPathFor(imagePath));
    files.review = files.reviewFile == reviewFile ? review : reviewOf(files.reviewFile);
    const QString olderRecovery = olderRecoveryPathFor(labelPath);
    files.hasKeptWork = QFileInfo::exists(keptPath) ||
                        QFileInfo::exists(recoveryPathFor(labelPath)) ||
                        (!olderRecovery.isEmpty() && QFileInfo::exists(olderRecovery)) ||
                        (!files.label.exists && QFileInfo::exists(proposalPathFor(imagePath)));
    return files;
}
