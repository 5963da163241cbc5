#include "claimsfolder.h"

#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QLatin1String claimSuffix(".claim");
} // namespace

ClaimsFolder::ClaimsFolder(const Claim& self) : self(self) {}

QHash<QString, Claim> ClaimsFolder::liveClaimsOfOthers(const QString& imageFolder,
                                                       const QDateTime& now) const
{
    QHash<QString, Claim> claims;
    // Any image name will do: the claims folder is the same for every image of the folder.
    const QString claimsFolder = QFileInfo(claimPathFor(imageFolder + QStringLiteral("/x"))).path();
    const QFileInfoList entries =
        QDir(claimsFolder).entryInfoList({QStringLiteral("*.claim")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<Claim> claim = Claim::fromBytes(file.readAll());
        if (!claim || claim->isSameProcess(self) ||
            claim->isStale(entry.lastModified(), now, self.host))
            continue;
        const QString name = entry.fileName();
        claims.insert(name.left(name.size() - claimSuffix.size()), *claim);
    }
    return claims;
}
