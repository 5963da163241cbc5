#ifndef QUADROTAG_CLAIMSFOLDER_H
#define QUADROTAG_CLAIMSFOLDER_H

#include "claim.h"
#include "claimwatch.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>

#include <utility>

// The claims of one image folder as others hold them: one listing of the claims folder,
// never a look per image, so marking a batch of thousands stays cheap.
class ClaimsFolder
{
public:
    // `self` is this program's claim: its own claims are not another's.
    explicit ClaimsFolder(const Claim& self, ClaimWatch::Clock clock = ClaimWatch::steadyClock());

    // Claim key (claimKeyFor) -> live claim of another program, for the images of this
    // folder. A claim counts as live until this program has seen it stand still.
    QHash<QString, Claim> liveClaimsOfOthers(const QString& imageFolder);
    void setClock(ClaimWatch::Clock clock) { watch.setClock(std::move(clock)); }
    // What an open claim file holds, read no further than a claim can be long; empty when
    // it is longer.
    static QByteArray claimBytesOf(QFile& file);

private:
    Claim self;
    ClaimWatch watch;
};

#endif
