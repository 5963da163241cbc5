#include "reviewrekeying.h"

#include "reviewfile.h"
#include "teampaths.h"

#include <QDir>
#include <QFileInfo>

QStringList ReviewRekeying::rekey(const QString& labelPath, const QByteArray& oldBytes,
                                  const QByteArray& newBytes, QString& failed)
{
    QStringList rewritten;
    const QFileInfo label(labelPath);
    // Any image of the folder names the same reviews folder.
    const QDir reviews(QFileInfo(reviewPathFor(label.path() + QStringLiteral("/x"))).path());
    const QString stem = label.completeBaseName();
    const QByteArray oldDigest = bytesDigest(oldBytes);
    const QByteArray newDigest = bytesDigest(newBytes);
    const QLatin1String suffix(".review");
    for (const QString& name : reviews.entryList({QStringLiteral("*.review")}, QDir::Files)) {
        // "<image name>.review", and the image's label file is its name up to the last dot.
        const QString image = name.chopped(suffix.size());
        const qsizetype dot = image.lastIndexOf(QLatin1Char('.'));
        if ((dot < 0 ? image : image.left(dot)) != stem)
            continue;
        const QString path = reviews.filePath(name);
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
