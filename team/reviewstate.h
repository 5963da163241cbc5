#ifndef QUADROTAG_REVIEWSTATE_H
#define QUADROTAG_REVIEWSTATE_H

#include <QByteArray>
#include <QString>

struct Review;

// Where an image stands with its review. Only a labelled image can be reviewed; a review
// whose label digest no longer matches the label file is changed since review.
enum class ReviewState { Unlabelled, Unreviewed, Accepted, Rejected, ChangedSinceReview };

// The state from a review (null when there is none) and the label file's digest (empty when
// there is no label file).
ReviewState reviewStateFor(const Review* review, const QByteArray& labelDigest);
// The state of the image as its label file and review file are on disk now.
ReviewState reviewStateOf(const QString& imagePath, const QString& labelPath);

#endif
