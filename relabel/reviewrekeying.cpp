#include "reviewrekeying.h"

#include "fittingname.h"
#include "imagenames.h"
#include "reviewfile.h"
#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QLatin1String reviewSuffix(".review");

// Whether the image of this file name has the label file of this stem: its name up to the last
// dot.
bool isImageOfStem(const QString& imageName, const QString& stem)
{
    const qsizetype dot = imageName.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? imageName : imageName.left(dot)) == stem;
}

// Reviews named by the image's file name; any image of the folder names the same folder.
QStringList namedReviews(const QDir& reviews, const QString& stem)
{
    QStringList paths;
    for (const QString& name : reviews.entryList({QStringLiteral("*.review")}, QDir::Files)) {
        if (isImageOfStem(name.chopped(reviewSuffix.size()), stem))
            paths << reviews.filePath(name);
    }
    return paths;
}

// Reviews named by a digest of an image name too long to stand in theirs: only the names of the
// images the program lists, "<stem>" and an image suffix in any case, can tell which they are.
QStringList digestReviews(const QFileInfo& label, const QString& stem)
{
    QStringList paths;
    const qsizetype shortestSuffix = 4;
    if (QFile::encodeName(stem).size() + shortestSuffix + reviewSuffix.size() <= longestFileName)
        return paths;
    const QDir folder(label.path());
    for (const QString& suffix : imageSuffixSpellings()) {
        const QString review = reviewPathFor(folder.filePath(stem + suffix));
        if (QFileInfo(review).fileName().startsWith(QLatin1Char('#')) && QFileInfo::exists(review))
            paths << review;
    }
    return paths;
}

} // namespace

QStringList ReviewRekeying::rekey(const QString& labelPath, const QByteArray& oldBytes,
                                  const QByteArray& newBytes, QString& failed)
{
    QStringList rewritten;
    const QFileInfo label(labelPath);
    const QDir reviews(QFileInfo(reviewPathFor(label.path() + QStringLiteral("/x"))).path());
    const QString stem = label.completeBaseName();
    const QByteArray oldDigest = bytesDigest(oldBytes);
    const QByteArray newDigest = bytesDigest(newBytes);
    for (const QString& path : namedReviews(reviews, stem) + digestReviews(label, stem)) {
        Review review;
        if (!readReview(path, review) || review.labelDigest != oldDigest)
            continue;
        review.labelDigest = newDigest;
        if (!writeReview(review, path)) {
            failed = path;
            return rewritten;
        }
        rewritten << path;
    }
    return rewritten;
}
