#include "reviewrekeying.h"

#include "fittingname.h"
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
// images the program lists, "<stem>.jpg" in any case, can tell which they are.
QStringList digestReviews(const QFileInfo& label, const QString& stem)
{
    QStringList paths;
    const QLatin1String imageSuffix(".jpg");
    if (QFile::encodeName(stem).size() + imageSuffix.size() + reviewSuffix.size() <=
        longestFileName)
        return paths;
    const QDir folder(label.path());
    for (int caseBits = 0; caseBits < 8; ++caseBits) {
        QString image = stem + imageSuffix;
        for (int letter = 0; letter < 3; ++letter) {
            const qsizetype at = image.size() - 3 + letter;
            if (caseBits & (1 << letter))
                image[at] = image[at].toUpper();
        }
        const QString review = reviewPathFor(folder.filePath(image));
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
