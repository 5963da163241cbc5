#ifndef QUADROTAG_TEAMDESK_H
#define QUADROTAG_TEAMDESK_H

#include "claim.h"
#include "claimsfolder.h"
#include "editgate.h"
#include "imageclaim.h"
#include "savelog.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class QStatusBar;

// The window's side of working in a team: who is working, the claim on the image on screen,
// who else holds which image of the batch, and the log of saves.
class TeamDesk : public QObject
{
    Q_OBJECT

public:
    // Well within the time after which a claim counts as stale.
    static constexpr int refreshMilliseconds = 15000;

    explicit TeamDesk(const QString& operatorName);
    // What was held back for the next claim still goes to the claim worker.
    ~TeamDesk() override;

    // The monotonic clock on which claims of others are watched until they go stale.
    void setClock(const ClaimWatch::Clock& clock);

    // The operator's name at the right of the status bar.
    void install(QStatusBar* statusBar);
    // On, entering waits for no claim: it is taken on the claim worker while the image is
    // already shown, hold() is Pending until sglClaimSettled, and releases and log lines follow
    // the step instead of holding it up. Off (the default), every step waits for them.
    void setClaimsInBackground(bool background) { inBackground = background; }
    bool claimsInBackground() const { return inBackground; }
    // Claims the image about to be shown and leaves the last one; what hold() then tells.
    // afterTaking runs on the claim worker right after the claim was taken or refused.
    EditGate::Hold enter(const QString& imagePath, const std::function<void()>& afterTaking = {});
    // Gives the claim up, as the window closes or the batch does.
    void leave();
    // With claims in background, the file work asked from now on (the image left's log line
    // and recovery file) waits behind the next image's claim and entry check, so its edits
    // are let through first; the claim left is released after that work.
    void holdBehindNextClaim();
    // No image is entered after all: what was held back goes to the claim worker now.
    void letHeldWorkGo();
    // Appends the save to the operator's own log, with the active seconds when known; when it
    // could not be written, a note says so, once an image.
    void noteSaved(const QString& imagePath, int storedShapes, long long activeSeconds = -1);
    // Runs the file work on the claim worker after everything asked of it before, which keeps
    // releases, removals and log lines in order; waits for it unless claims go in background.
    QFuture<void> runInOrder(const std::function<void()>& work);
    // The same, returning once the work is done; with claims in background the window answers
    // meanwhile, so a share that stalls holds up the step, never the window.
    void runAndWait(const std::function<void()>& work);
    // On the claim worker, for work given to it: whether the claim file still holds this
    // program's claim. A false answer is followed up on the GUI thread by confirmClaim().
    bool confirmOnWorker() { return claim.confirm(); }

    // Whether the image on screen is this program's to change, and if not, why.
    EditGate::Hold hold() const { return standing; }
    bool isHeldByOther() const { return standing == EditGate::Hold::HeldByOther; }
    // Another program holds the image on screen, or took it over from this one.
    bool isHeldElsewhere() const
    {
        return standing == EditGate::Hold::HeldByOther || standing == EditGate::Hold::ClaimLost;
    }
    // "Held by <name> since <hh:mm>: read only", also for a claim taken over, or why no claim
    // could be taken.
    QString heldNote() const;
    // "Quadrotag — held by <name>"
    QString heldTitle() const;
    // For each image, who else holds it, or an empty name; one listing per folder. Safe on any
    // thread, as the periodic marks look from a worker of their own.
    std::vector<QString> holdersOf(const QStringList& imagePaths);
    const QString& operatorName() const { return claim.self().operatorName; }
    const ImageClaim& imageClaim() const { return claim; }

    // Makes sure the claim on the image on screen is still this program's, as before a write:
    // one taken over since the last refresh turns the image read only now. True when the
    // image is this program's to write.
    bool confirmClaim();

public slots:
    // What the timer does: keeps this program's claim fresh, tries the held image on screen
    // again, and has the list's marks renewed.
    void refreshNow();

signals:
    // The image on screen was not this program's and now is: it is read again.
    void sglHeldImageFreed();
    // This program's claim on the image on screen was taken over: it is read only now.
    void sglClaimLost();
    void sglHoldersMayHaveChanged();
    // The claim taken in the background on the image on screen is settled: hold() tells how.
    void sglClaimSettled();
    void sglNote(const QString& note);

private:
    // What the claim worker found when it took the claim on one entry's image.
    struct Taking
    {
        int entry = 0;
        ImageClaim::Result result = ImageClaim::Result::Failed;
        ImageClaim::Failure failure = ImageClaim::Failure::None;
        Claim holder;
        // The claim file held this program's own claim, not one taken anew.
        bool ownClaimFound = false;
    };
    Taking take(int entry, const QString& imagePath, const std::function<void()>& afterTaking);
    void settle(const Taking& taking);
    // On the claim worker: the claim on the image on screen taken again.
    Taking takeAgain(const QString& imagePath);
    void retake();
    // What the periodic refresh found on the claim worker.
    struct Refresh
    {
        int entry = 0;
        EditGate::Hold standing = EditGate::Hold::Own;
        bool lookedAtClaim = false;
        bool stillOwn = false;
        Taking taken;
    };
    void refreshHere();
    Refresh refreshOnWorker(int entry, EditGate::Hold before, const QString& imagePath);
    void applyRefresh(const Refresh& refresh);
    void applyRetake(const Taking& taken);
    // The save of this image could not be added to the operator's log.
    void tellNotLogged(const QString& imagePath);
    // Runs work on the claim worker and returns its result, as runAndWait() does.
    template <typename Work> auto onWorker(Work work);
    QFuture<void> holdBack(const std::function<void()>& work);
    // Gives the claim worker what was held back, in order, and releases the claim left after
    // it when releasingLeft.
    void submitHeldBack(bool releasingLeft = false);

    ImageClaim claim;
    // Looked at from the GUI thread at launch and from the claim worker at each refresh.
    std::mutex claimsFolderLock;
    ClaimsFolder claimsFolder;
    SaveLog saveLog;
    QString shownImage;
    EditGate::Hold standing = EditGate::Hold::Own;
    // The other operator's claim on the image on screen; no name when there is none.
    Claim heldBy;
    // Why the claim could not be taken, when it could not.
    QString notTakenNote;
    // The image whose save the log could not take, said once.
    QString unloggedImage;
    QTimer refreshTimer;
    QLabel operatorLabel;
    bool inBackground = false;
    // Counts entries on the GUI thread; the worker skips a claim the operator stepped past.
    int entries = 0;
    std::atomic<int> latestEntry{0};
    QFutureWatcher<Taking> taking;
    bool holdingBack = false;
    std::vector<std::function<void()>> heldBack;
    // One refresh at a time: a share that stalls one piles up no more behind it.
    QFutureWatcher<Refresh> refreshing;
    // One thread: every claim, release and log line is done in the order asked. Last, so that
    // it waits for its work before the claim and the log go.
    QThreadPool claimWorker;
};

#endif
