#include "reviewstate.h"

#include "reviewfile.h"
#include "teampaths.h"

#include <QFileInfo>

ReviewState reviewStateFor(const Review* review, const QByteArray& labelDigest)
{
    if (labelDigest.isEmpty())
        return ReviewState::Unlabelled;
    if (!review)
        return ReviewState::Unreviewed;
    if (review->labelDigest != labelDigest)
        return ReviewState::ChangedSinceReview;
    return review->verdict == Review::Verdict::Accepted ? ReviewState::Accepted
                                                        : ReviewState::Rejected;
}

ReviewState reviewStateOf(const QString& imagePath, const QString& labelPath)
{
    // Most images have no review: their label files need no hashing.
    Review review;
    if (!readReview(reviewPathFor(imagePath), review))
        return QFileInfo(labelPath).isFile() ? ReviewState::Unreviewed : ReviewState::Unlabelled;
    return reviewStateFor(&review, fileDigest(labelPath));
}
