#include "claimsfolder.h"

#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QLatin1String claimSuffix(".claim");
} // namespace

QByteArray ClaimsFolder::claimBytesOf(QFile& file)
{
    // A claim is a few lines; anything longer is no claim, and is never read whole.
    const qint64 longestClaim = 4096;
    const QByteArray bytes = file.read(longestClaim + 1);
    return bytes.size() > longestClaim ? QByteArray() : bytes;
}

ClaimsFolder::ClaimsFolder(const Claim& self, ClaimWatch::Clock clock)
    : self(self), watch(std::move(clock))
{
}

QHash<QString, Claim> ClaimsFolder::liveClaimsOfOthers(const QString& imageFolder)
{
    QHash<QString, Claim> claims;
    // Any image name will do: the claims folder is the same for every image of the folder.
    const QString claimsFolder = QFileInfo(claimPathFor(imageFolder + QStringLiteral("/x"))).path();
    const QFileInfoList entries =
        QDir(claimsFolder).entryInfoList({QStringLiteral("*.claim")}, QDir::Files | QDir::Hidden);
    QHash<QString, bool> seen;
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = claimBytesOf(file);
        seen.insert(entry.filePath(), true);
        const bool stoodStill = watch.hasStoodStill(entry.filePath(), bytes, entry.lastModified(),
                                                    Claim::staleAfterSeconds * 1000);
        const std::optional<Claim> claim = Claim::fromBytes(bytes);
        if (!claim || claim->isSameProcess(self) || stoodStill || claim->isOfEndedProcessOn(self))
            continue;
        const QString name = entry.fileName();
        claims.insert(name.left(name.size() - claimSuffix.size()), *claim);
    }
    watch.forgetOthersUnder(claimsFolder, seen);
    return claims;
}
