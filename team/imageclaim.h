#ifndef QUADROTAG_IMAGECLAIM_H
#define QUADROTAG_IMAGECLAIM_H

#include "claim.h"
#include "claimwatch.h"

#include <QString>

#include <optional>
#include <utility>

// This program's claim on the image it shows, which stands for the image's label file: a small
// file beside the image, created exclusively so that of two programs racing for one label file
// exactly one holds it, refreshed while held, and removed by its holder alone, or by anyone once
// it is stale.
class ImageClaim
{
public:
    enum class Result { Held, HeldByOther, Failed };
    // Why the last take() failed.
    enum class Failure {
        None,
        FolderNotWritable,
        ClaimUnreadable,
        ClaimIsFolder,
        ClaimIsBrokenLink
    };

    explicit ImageClaim(const QString& operatorName,
                        ClaimWatch::Clock clock = ClaimWatch::steadyClock());
    // A program that ends without closing its window still gives the image back.
    ~ImageClaim();
    ImageClaim(const ImageClaim&) = delete;
    ImageClaim& operator=(const ImageClaim&) = delete;

    // Claims this image, taking a stale claim over. On HeldByOther, holder() tells who has it;
    // Failed when the claim file can't be written (a read-only folder). The claim held before
    // is set aside, still standing, for releaseLeft().
    Result take(const QString& imagePath);
    // Removes the claim file set aside by the last take(), if it still is this program's and
    // not the one held now.
    void releaseLeft();
    // Removes this program's claim files, if they still are this program's.
    void release();
    // Gives the claim file a new modification time; false when it is no longer this
    // program's (it was taken over after this program stopped refreshing it).
    bool refresh();
    // Whether the claim file still holds this program's claim, looked at without touching it
    // (one reading, as before a write); one taken over is no longer held.
    bool confirm();

    Failure failure() const { return lastFailure; }
    // Whether the last take() found this program's own claim still standing: the claim was
    // never anyone else's in between.
    bool foundOwnClaim() const { return ownClaimFound; }
    void setClock(ClaimWatch::Clock clock) { watch.setClock(std::move(clock)); }
    // Only for tests that can't wait two minutes: how long a claim must stand still.
    void setStaleAfter(qint64 milliseconds) { staleAfterMilliseconds = milliseconds; }

    bool isHeld() const { return !heldPath.isEmpty(); }
    // The image whose claim this program holds, or an empty string.
    const QString& heldImage() const { return heldImagePath; }
    // Who held the image when take() last found it held.
    const Claim& holder() const { return lastHolder; }
    const Claim& self() const { return own; }

private:
    bool removeIfStillStale(const QString& claimPath, const QByteArray& staleBytes);
    bool isStale(const QString& claimPath, const QByteArray& bytes,
                 const std::optional<Claim>& found);
    void clearMarkIfLeft(const QString& takeoverPath);
    bool isOwnFile(const QString& claimPath, const QByteArray& bytes) const;
    void setHeldAside();
    bool hasClaimsFolder(const QString& claimPath);

    Claim own;
    QByteArray ownBytes;
    QString heldPath;
    QString heldImagePath;
    // The claim of the image left, released behind the step to the next one.
    QString leftPath;
    QByteArray leftBytes;
    // A claims folder made or found once is not looked at again at every take.
    QString knownClaimsFolder;
    Claim lastHolder;
    Failure lastFailure = Failure::None;
    bool ownClaimFound = false;
    ClaimWatch watch;
    qint64 staleAfterMilliseconds = Claim::staleAfterSeconds * 1000;
};

// Creates the file at path holding bytes, only when no file is there; of two programs
// racing, exactly one succeeds, on a local disk and on a network share.
bool createExclusively(const QString& path, const QByteArray& bytes);

#endif
