#include "reviewstate.h"

#include "reviewfile.h"
#include "teampaths.h"

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
    const QByteArray digest = fileDigest(labelPath);
    if (digest.isEmpty())
        return ReviewState::Unlabelled;
    Review review;
    const bool reviewed = readReview(reviewPathFor(imagePath), review);
    return reviewStateFor(reviewed ? &review : nullptr, digest);
}
