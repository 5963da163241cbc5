#include "imageholders.h"

#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>

namespace {

// No claim of a program has pid 0: this tool holds none, so every claim is another's.
Claim noClaimOfThisHost()
{
    Claim none;
    none.host = QSysInfo::machineHostName();
    none.processSpace = thisProcessSpace();
    return none;
}

// A claim key is the label file's name, or a digest where that name is too long for it; a digest
// of no label file (the image has none yet) stands as it is.
QString labelPathOf(const QDir& folder, const QString& key)
{
    if (key.startsWith(QLatin1Char('#'))) {
        for (const QString& name : folder.entryList({QStringLiteral("*.lbl")}, QDir::Files)) {
            if (claimKeyFor(name) == key)
                return folder.filePath(name);
        }
    }
    return folder.filePath(key);
}

} // namespace

ImageHolders::ImageHolders() : claims(noClaimOfThisHost()) {}

std::vector<ImageHolders::Held> ImageHolders::heldIn(const QString& imageFolder)
{
    std::vector<Held> held;
    const QHash<QString, Claim> live = claims.liveClaimsOfOthers(imageFolder);
    for (auto claim = live.cbegin(); claim != live.cend(); ++claim) {
        held.push_back(Held{labelPathOf(QDir(imageFolder), claim.key()), claim.value()});
    }
    const std::vector<Held> unreadable = unreadableIn(imageFolder, live);
    held.insert(held.end(), unreadable.begin(), unreadable.end());
    std::sort(held.begin(), held.end(),
              [](const Held& a, const Held& b) { return a.labelPath < b.labelPath; });
    return held;
}

std::vector<ImageHolders::Held> ImageHolders::unreadableIn(const QString& imageFolder,
                                                           const QHash<QString, Claim>& live)
{
    std::vector<Held> unreadable;
    const QDir claimsFolder(QFileInfo(claimPathFor(imageFolder + QStringLiteral("/x"))).path());
    const QString suffix = QStringLiteral(".claim");
    for (const QString& name : claimsFolder.entryList({QStringLiteral("*.claim")},
                                                      QDir::Files | QDir::Hidden | QDir::System)) {
        const QString key = name.chopped(suffix.size());
        if (live.contains(key))
            continue;
        // A pipe at a claim's name would block the open: it names nobody, unread.
        QFile file(claimsFolder.filePath(name));
        if (QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly) &&
            Claim::fromBytes(ClaimsFolder::claimBytesOf(file)))
            continue;
        unreadable.push_back(Held{labelPathOf(QDir(imageFolder), key), Claim(), true});
    }
    return unreadable;
}
