#ifndef QUADROTAG_CLAIMSFOLDER_H
#define QUADROTAG_CLAIMSFOLDER_H

#include "claim.h"

#include <QDateTime>
#include <QHash>
#include <QString>

// The claims of one image folder as others hold them: one listing of the claims folder,
// never a look per image, so marking a batch of thousands stays cheap.
class ClaimsFolder
{
public:
    // `self` is this program's claim: its own claims are not another's.
    explicit ClaimsFolder(const Claim& self);

    // Image file name -> live claim of another program, for the images of this folder.
    QHash<QString, Claim> liveClaimsOfOthers(const QString& imageFolder,
                                             const QDateTime& now) const;

private:
    Claim self;
};

#endif
