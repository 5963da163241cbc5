#ifndef QUADROTAG_REVIEWREKEYING_H
#define QUADROTAG_REVIEWREKEYING_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// A relabelling changes the bytes of a label file but not what it means: the reviews that
// judged the old bytes are moved to the translated ones, so the team's verdicts survive.
class ReviewRekeying
{
public:
    // Moves every review of the images of this label file whose digest is that of oldBytes
    // to the digest of newBytes; the paths of the review files it rewrote, or of one it could
    // not rewrite in failed.
    static QStringList rekey(const QString& labelPath, const QByteArray& oldBytes,
                             const QByteArray& newBytes, QString& failed);
};

#endif
