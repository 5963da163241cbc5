#include "teamdesk.h"

#include <QHash>
#include <QStatusBar>

TeamDesk::TeamDesk(const QString& operatorName)
    : claim(operatorName), claimsFolder(claim.self()), saveLog(operatorName, claim.self().host),
      operatorLabel(operatorName)
{
    operatorLabel.setObjectName(QStringLiteral("operatorLabel"));
    refreshTimer.setInterval(refreshMilliseconds);
    connect(&refreshTimer, &QTimer::timeout, this, &TeamDesk::refreshNow);
    refreshTimer.start();
}

void TeamDesk::install(QStatusBar* statusBar)
{
    statusBar->addPermanentWidget(&operatorLabel);
}

bool TeamDesk::enter(const QString& imagePath)
{
    shownImage = imagePath;
    heldBy = Claim();
    // A folder the operator can't write to has no claims: the image is simply shown.
    if (claim.take(imagePath) == ImageClaim::Result::HeldByOther)
        heldBy = claim.holder();
    return isHeldByOther();
}

void TeamDesk::leave()
{
    claim.release();
    shownImage.clear();
    heldBy = Claim();
}

void TeamDesk::noteSaved(const QString& imagePath, int storedShapes) const
{
    saveLog.append(imagePath, storedShapes, QDateTime::currentDateTimeUtc());
}

QString TeamDesk::heldNote() const
{
    return QStringLiteral("Held by %1 since %2: read only")
        .arg(heldBy.operatorName, heldBy.since.toLocalTime().toString(QStringLiteral("hh:mm")));
}

QString TeamDesk::heldTitle() const
{
    return QStringLiteral("Quadrotag — held by ") + heldBy.operatorName;
}

std::vector<QString> TeamDesk::holdersOf(const QStringList& imagePaths) const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QHash<QString, QHash<QString, Claim>> claimsByFolder;
    std::vector<QString> holders(std::size_t(imagePaths.size()));
    for (qsizetype row = 0; row < imagePaths.size(); ++row) {
        const QString& path = imagePaths[row];
        const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
        const QString folder = path.left(std::max<qsizetype>(nameStart - 1, 0));
        auto claims = claimsByFolder.find(folder);
        if (claims == claimsByFolder.end())
            claims = claimsByFolder.insert(folder, claimsFolder.liveClaimsOfOthers(folder, now));
        if (claims->isEmpty())
            continue;
        const auto found = claims->constFind(path.mid(nameStart));
        if (found != claims->constEnd())
            holders[std::size_t(row)] = found->operatorName;
    }
    return holders;
}

void TeamDesk::refreshNow()
{
    if (isHeldByOther()) {
        if (claim.take(shownImage) == ImageClaim::Result::Held) {
            heldBy = Claim();
            emit sglHeldImageFreed();
        } else {
            heldBy = claim.holder();
        }
    } else if (!claim.refresh() && !shownImage.isEmpty()) {
        // Lost while this program was stopped for minutes; taken again if still free.
        claim.take(shownImage);
    }
    emit sglHoldersMayHaveChanged();
}
