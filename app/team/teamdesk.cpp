#include "teamdesk.h"

#include "teampaths.h"

#include <QEventLoop>
#include <QHash>
#include <QPromise>
#include <QStatusBar>
#include <QStringView>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

TeamDesk::TeamDesk(const QString& operatorName)
    : claim(operatorName), claimsFolder(claim.self()), saveLog(operatorName, claim.self().host),
      operatorLabel(operatorName)
{
    operatorLabel.setObjectName(QStringLiteral("operatorLabel"));
    claimWorker.setMaxThreadCount(1);
    connect(&taking, &QFutureWatcher<Taking>::finished, this,
            [this] { settle(taking.future().result()); });
    connect(&refreshing, &QFutureWatcher<Refresh>::finished, this,
            [this] { applyRefresh(refreshing.future().result()); });
    refreshTimer.setInterval(refreshMilliseconds);
    connect(&refreshTimer, &QTimer::timeout, this, &TeamDesk::refreshNow);
    refreshTimer.start();
}

TeamDesk::~TeamDesk()
{
    submitHeldBack(true);
}

void TeamDesk::setClock(const ClaimWatch::Clock& clock)
{
    claim.setClock(clock);
    claimsFolder.setClock(clock);
}

void TeamDesk::install(QStatusBar* statusBar)
{
    statusBar->addPermanentWidget(&operatorLabel);
}

namespace {

QString notTakenNoteOf(ImageClaim::Failure failure)
{
    if (failure == ImageClaim::Failure::ClaimIsFolder)
        return QStringLiteral("No claim could be taken on this image (a folder stands at its "
                              "claim file's name): read only");
    if (failure == ImageClaim::Failure::ClaimIsBrokenLink)
        return QStringLiteral("No claim could be taken on this image (its claim file is a link "
                              "that leads nowhere): read only");
    if (failure == ImageClaim::Failure::ClaimUnreadable)
        return QStringLiteral("No claim could be taken on this image (its claim file can't be "
                              "read or names nobody): read only");
    return QString::fromLatin1(EditGate::claimNotTakenNote);
}

} // namespace

template <typename Work> auto TeamDesk::onWorker(Work work)
{
    submitHeldBack();
    auto future = QtConcurrent::run(&claimWorker, std::move(work));
    if (!inBackground || future.isFinished()) {
        future.waitForFinished();
        return future.result();
    }
    // The window paints and answers meanwhile; what it may do then, the edit gate decides.
    QEventLoop waiting;
    QFutureWatcher<decltype(future.result())> watcher;
    connect(&watcher, &QFutureWatcherBase::finished, &waiting, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        waiting.exec();
    return future.result();
}

QFuture<void> TeamDesk::runInOrder(const std::function<void()>& work)
{
    if (inBackground && holdingBack)
        return holdBack(work);
    submitHeldBack();
    QFuture<void> future = QtConcurrent::run(&claimWorker, work);
    if (!inBackground)
        future.waitForFinished();
    return future;
}

void TeamDesk::runAndWait(const std::function<void()>& work)
{
    onWorker([&work] {
        work();
        return true;
    });
}

void TeamDesk::holdBehindNextClaim()
{
    holdingBack = inBackground;
}

void TeamDesk::letHeldWorkGo()
{
    holdingBack = false;
    submitHeldBack();
}

QFuture<void> TeamDesk::holdBack(const std::function<void()>& work)
{
    auto done = std::make_shared<QPromise<void>>();
    done->start();
    // A step that enters no image after all lets it go once the step is done.
    if (heldBack.empty())
        QTimer::singleShot(0, this, &TeamDesk::letHeldWorkGo);
    heldBack.push_back([work, done] {
        work();
        done->finish();
    });
    return done->future();
}

void TeamDesk::submitHeldBack(bool releasingLeft)
{
    if (heldBack.empty() && !releasingLeft)
        return;
    // The image left's recovery file goes before its claim: once released, a file beside the
    // label file may be the next holder's.
    claimWorker.start([this, releasingLeft, work = std::exchange(heldBack, {})] {
        for (const auto& step : work)
            step();
        if (releasingLeft)
            claim.releaseLeft();
    });
}

EditGate::Hold TeamDesk::enter(const QString& imagePath, const std::function<void()>& afterTaking)
{
    shownImage = imagePath;
    heldBy = Claim();
    const int entry = ++entries;
    latestEntry = entry;
    if (!inBackground) {
        settle(onWorker([=] {
            const Taking taken = take(entry, imagePath, afterTaking);
            claim.releaseLeft();
            return taken;
        }));
        return standing;
    }
    standing = EditGate::Hold::Pending;
    // The claim and the entry check go first: the gate opens once they are done.
    holdingBack = false;
    taking.setFuture(
        QtConcurrent::run(&claimWorker, [=] { return take(entry, imagePath, afterTaking); }));
    submitHeldBack(true);
    return standing;
}

// On the claim worker. Taking the next claim sets the last one aside, released behind it.
TeamDesk::Taking TeamDesk::take(int entry, const QString& imagePath,
                                const std::function<void()>& afterTaking)
{
    Taking taken;
    taken.entry = entry;
    // The operator has gone on past this image: its claim would only be released again.
    if (latestEntry != entry)
        return taken;
    taken.result = claim.take(imagePath);
    taken.failure = claim.failure();
    taken.holder = claim.holder();
    if (afterTaking)
        afterTaking();
    return taken;
}

void TeamDesk::settle(const Taking& taken)
{
    if (taken.entry != entries || shownImage.isEmpty())
        return;
    switch (taken.result) {
    case ImageClaim::Result::Held:
        standing = EditGate::Hold::Own;
        break;
    case ImageClaim::Result::HeldByOther:
        standing = EditGate::Hold::HeldByOther;
        heldBy = taken.holder;
        break;
    case ImageClaim::Result::Failed:
        // Without a claim, another program could write the same file unseen.
        standing = EditGate::Hold::ClaimNotTaken;
        break;
    }
    notTakenNote = notTakenNoteOf(taken.failure);
    if (inBackground)
        emit sglClaimSettled();
}

void TeamDesk::leave()
{
    latestEntry = ++entries;
    holdingBack = false;
    runInOrder([this] { claim.release(); });
    shownImage.clear();
    heldBy = Claim();
    standing = EditGate::Hold::Own;
}

void TeamDesk::noteSaved(const QString& imagePath, int storedShapes, long long activeSeconds)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto append = [=] { return saveLog.append(imagePath, storedShapes, now, activeSeconds); };
    if (!inBackground) {
        if (!onWorker(append))
            tellNotLogged(imagePath);
        return;
    }
    runInOrder([=] {
        if (!append())
            QMetaObject::invokeMethod(this, [=] { tellNotLogged(imagePath); });
    });
}

void TeamDesk::tellNotLogged(const QString& imagePath)
{
    if (imagePath == unloggedImage)
        return;
    unloggedImage = imagePath;
    emit sglNote(QStringLiteral("Saved, but the save could not be added to your log in ") +
                 teamFolderFor(imagePath) + QStringLiteral("/log"));
}

QString TeamDesk::heldNote() const
{
    if (standing == EditGate::Hold::ClaimNotTaken)
        return notTakenNote;
    if (heldBy.operatorName.isEmpty())
        return QStringLiteral("The claim on this image was lost: read only");
    return QStringLiteral("Held by %1 since %2: read only")
        .arg(heldBy.operatorName, heldBy.since.toLocalTime().toString(QStringLiteral("hh:mm")));
}

QString TeamDesk::heldTitle() const
{
    if (heldBy.operatorName.isEmpty())
        return QStringLiteral("Quadrotag — read only");
    return QStringLiteral("Quadrotag — held by ") + heldBy.operatorName;
}

namespace {

// The live claims of one folder by image name, sorted, so that a row is looked up without
// making a string of its name: a million rows cost no allocation each.
using NamedHolders = std::vector<std::pair<QString, QString>>;

NamedHolders holdersByName(const QHash<QString, Claim>& claims)
{
    NamedHolders holders;
    for (auto claim = claims.cbegin(); claim != claims.cend(); ++claim)
        holders.emplace_back(claim.key(), claim->operatorName);
    std::sort(holders.begin(), holders.end());
    return holders;
}

QString holderNamed(const NamedHolders& holders, QStringView name)
{
    const auto found =
        std::lower_bound(holders.begin(), holders.end(), name,
                         [](const std::pair<QString, QString>& holder, QStringView sought) {
                             return QStringView(holder.first) < sought;
                         });
    return found != holders.end() && found->first == name ? found->second : QString();
}

} // namespace

std::vector<QString> TeamDesk::holdersOf(const QStringList& imagePaths)
{
    const std::lock_guard<std::mutex> lock(claimsFolderLock);
    std::vector<QString> holders(std::size_t(imagePaths.size()));
    QHash<QString, NamedHolders> holdersByFolder;
    // Rows of one folder follow each other: the folder is looked up once per run of them.
    QStringView folder;
    NamedHolders folderHolders;
    bool folderKnown = false;
    for (qsizetype row = 0; row < imagePaths.size(); ++row) {
        const QString& path = imagePaths[row];
        const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
        const QStringView rowFolder = QStringView(path).left(std::max<qsizetype>(nameStart - 1, 0));
        if (!folderKnown || rowFolder != folder) {
            folderKnown = true;
            folder = rowFolder;
            const QString key = folder.toString();
            auto found = holdersByFolder.find(key);
            if (found == holdersByFolder.end())
                found = holdersByFolder.insert(key,
                                               holdersByName(claimsFolder.liveClaimsOfOthers(key)));
            folderHolders = found.value();
        }
        // Only folders with claims of others pay for the name of a row's claim.
        if (!folderHolders.empty())
            holders[std::size_t(row)] = holderNamed(folderHolders, claimKeyFor(path));
    }
    return holders;
}

void TeamDesk::refreshNow()
{
    if (!inBackground) {
        refreshHere();
        return;
    }
    if (refreshing.isRunning())
        return;
    submitHeldBack();
    const bool lookAtClaim = !shownImage.isEmpty() && standing != EditGate::Hold::Pending;
    refreshing.setFuture(
        QtConcurrent::run(&claimWorker, [this, entry = entries, before = standing,
                                         image = lookAtClaim ? shownImage : QString()] {
            return refreshOnWorker(entry, before, image);
        }));
}

// On the claim worker, in order behind every step asked before it. No image: only the marks.
TeamDesk::Refresh TeamDesk::refreshOnWorker(int entry, EditGate::Hold before,
                                            const QString& imagePath)
{
    Refresh refresh;
    refresh.entry = entry;
    refresh.standing = before;
    if (imagePath.isEmpty() || latestEntry != entry)
        return refresh;
    refresh.lookedAtClaim = true;
    refresh.stillOwn = before == EditGate::Hold::Own && claim.refresh();
    if (!refresh.stillOwn)
        refresh.taken = takeAgain(imagePath);
    return refresh;
}

void TeamDesk::applyRefresh(const Refresh& refresh)
{
    // Stepped on, or the hold changed meanwhile: the next refresh looks at it again.
    if (refresh.lookedAtClaim && !refresh.stillOwn && refresh.entry == entries &&
        refresh.standing == standing && !shownImage.isEmpty())
        applyRetake(refresh.taken);
    emit sglHoldersMayHaveChanged();
}

void TeamDesk::refreshHere()
{
    // A claim being taken is settled by its taking.
    if (!shownImage.isEmpty() && standing != EditGate::Hold::Pending) {
        if (standing != EditGate::Hold::Own)
            retake();
        else if (!onWorker([this] { return claim.refresh(); }))
            // Lost while this program was stopped for minutes; taken again if still free.
            retake();
    }
    emit sglHoldersMayHaveChanged();
}

bool TeamDesk::confirmClaim()
{
    // The refresh timer touches the claim; a write only needs to see it is still this one's.
    if (standing == EditGate::Hold::Own && !shownImage.isEmpty() &&
        !onWorker([this] { return claim.confirm(); }))
        retake();
    return standing == EditGate::Hold::Own;
}

TeamDesk::Taking TeamDesk::takeAgain(const QString& imagePath)
{
    Taking result;
    result.result = claim.take(imagePath);
    claim.releaseLeft();
    result.failure = claim.failure();
    result.holder = claim.holder();
    result.ownClaimFound = claim.foundOwnClaim();
    return result;
}

void TeamDesk::retake()
{
    const QString image = shownImage;
    const int entry = entries;
    const Taking taken = onWorker([this, image] { return takeAgain(image); });
    // The window answered meanwhile: a step since then leaves this image's claim behind.
    if (entry == entries && !shownImage.isEmpty())
        applyRetake(taken);
}

void TeamDesk::applyRetake(const Taking& taken)
{
    const EditGate::Hold before = standing;
    notTakenNote = notTakenNoteOf(taken.failure);
    if (taken.result == ImageClaim::Result::Held && before == EditGate::Hold::Own &&
        !taken.ownClaimFound) {
        // Lost and freed while this program was stopped: what it shows may be older than the
        // file. The edits are kept, and the image is read again once this step is done.
        heldBy = Claim();
        standing = EditGate::Hold::ClaimLost;
        emit sglClaimLost();
        QTimer::singleShot(0, this, &TeamDesk::refreshNow);
        return;
    }
    if (taken.result == ImageClaim::Result::Held) {
        heldBy = Claim();
        standing = EditGate::Hold::Own;
        // An image this program held all along needs no new reading.
        if (before != EditGate::Hold::Own)
            emit sglHeldImageFreed();
        return;
    }
    if (taken.result == ImageClaim::Result::HeldByOther)
        heldBy = taken.holder;
    if (before == EditGate::Hold::Own) {
        standing = EditGate::Hold::ClaimLost;
        emit sglClaimLost();
    } else if (before == EditGate::Hold::ClaimNotTaken &&
               taken.result == ImageClaim::Result::HeldByOther) {
        standing = EditGate::Hold::HeldByOther;
    }
}
