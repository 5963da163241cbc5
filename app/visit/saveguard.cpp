#include "saveguard.h"

#include "imagesession.h"
#include "labelpath.h"
#include "sessionquestions.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

SaveGuard::SaveGuard(ImageSession& session, QWidget* window) : session(session), window(window) {}

void SaveGuard::saveNow()
{
    // Asked first, so that the operator learns why nothing is written.
    if (session.allows(EditGate::Edit::Write) && session.differsFromDisk())
        save();
}

bool SaveGuard::mayWrite() const
{
    return session.editGate().refusal(EditGate::Edit::Write).isEmpty();
}

bool SaveGuard::leave(Proposal proposal)
{
    if (!mayWrite()) {
        session.leaveKeepingRecovery();
        return true;
    }
    const Outcome outcome = saveBeforeLeaving(proposal);
    // Withheld, the image stays on screen read only, its note saying where the edits went.
    return outcome == Outcome::Saved;
}

bool SaveGuard::mayClose()
{
    if (!mayWrite()) {
        session.leaveKeepingRecovery();
        return true;
    }
    const Outcome outcome = saveBeforeLeaving(Proposal::Keep);
    // Their file chosen over the operator's edits leaves nothing to save.
    const bool mayClose = outcome == Outcome::Saved || outcome == Outcome::Withheld ||
                          (outcome == Outcome::Declined && !session.needsSaving()) ||
                          (outcome == Outcome::Failed && confirmCloseWithoutSaving(window));
    if (mayClose)
        session.keepRecoveryNow();
    return mayClose;
}

QString SaveGuard::offerKeptWork(const QString& keptPath)
{
    // Declined, the operator's own kept edits give way to what else was kept for the image.
    QString unreadable;
    if (offerOwnKeptFile(keptPath, unreadable))
        return QString();
    bool readToEnd = true;
    std::optional<ImageAnnotation> proposal;
    if (!session.hasLabelFile())
        proposal = ImageSession::readProposal(proposalPathFor(session.imagePath()), readToEnd);
    if (offerRecovery(proposal) || !proposal)
        return unreadable;
    const int shapes = int(proposal->labels.size());
    session.propose(std::move(*proposal));
    const QString proposed = proposalNote(shapes, readToEnd);
    return unreadable.isEmpty() ? proposed : unreadable + QStringLiteral("; ") + proposed;
}

bool SaveGuard::offerRecovery(const std::optional<ImageAnnotation>& proposal)
{
    std::optional<RecoveredState> recovered =
        session.takeRecoveredState(proposal ? &*proposal : nullptr);
    if (!recovered)
        return false;
    const bool others = session.isAnotherOperators(*recovered);
    const bool taken =
        others ? askToTakeUpOthersWork(window, session.imagePath(), recovered->writer->operatorName,
                                       recovered->writer->host, recovered->written)
               : askToRecover(window, session.imagePath());
    if (taken) {
        // Work recovered on a proposal is measured against it, so an emptied one is kept.
        if (proposal)
            session.propose(*proposal);
        // Kept before someone saved the label file: a save asks before writing over that.
        const QDateTime labelWritten = QFileInfo(session.labelPath()).lastModified();
        session.restore(std::move(recovered->annotation),
                        labelWritten.isValid() && labelWritten > recovered->written);
        return true;
    }
    // Another operator's work declined is still theirs to take up.
    if (!others)
        session.discardRecovery();
    return false;
}

bool SaveGuard::offerOwnKeptFile(const QString& keptPath, QString& unreadable)
{
    if (keptPath.isEmpty() || !QFileInfo::exists(keptPath))
        return false;
    bool readToEnd = true;
    std::optional<ImageAnnotation> kept = ImageSession::readProposal(keptPath, readToEnd);
    // Removed, work that could not be read would be gone for good.
    if (!kept || !readToEnd) {
        unreadable =
            QStringLiteral("Your kept changes to this image can't be read; they stay in ") +
            QDir::toNativeSeparators(keptPath);
        return false;
    }
    const bool taken = askToRecover(window, session.imagePath());
    // Its holder may have saved meanwhile: writing over that asks first. The recovery file
    // beside the label file may hold the next holder's work: it stays theirs, offered again.
    if (taken)
        session.restoreKept(std::move(*kept), session.hasLabelFile());
    QFile::remove(keptPath);
    return taken;
}

SaveGuard::Outcome SaveGuard::saveBeforeLeaving(Proposal proposal)
{
    if (proposal == Proposal::Accept && session.isUntouchedProposal())
        return save();
    if (!session.needsSaving()) {
        session.leave();
        return Outcome::Saved;
    }
    return save();
}

// Writes the label file, unless someone else changed it and the operator keeps theirs.
SaveGuard::Outcome SaveGuard::save()
{
    if (!session.allows(EditGate::Edit::Write)) {
        session.leaveKeepingRecovery();
        return Outcome::Withheld;
    }
    // Unchanged, the save confirms the claim once its bytes are flushed, before they land.
    const ImageSession::Saving saving = session.saveUnlessChanged();
    if (saving == ImageSession::Saving::Saved)
        return Outcome::Saved;
    // While the operator answers, the claim may go: it is looked at again after a question.
    if (saving == ImageSession::Saving::ChangedOnDisk) {
        // Taken over since the last look: the new holder's save is no question for this one.
        if (!session.claimHolds()) {
            session.leaveKeepingRecovery();
            return Outcome::Withheld;
        }
        const ChangedFileAnswer answer = askAboutChangedFile(window, session.labelPath());
        if (answer == ChangedFileAnswer::Cancel)
            return Outcome::Declined;
        if (answer == ChangedFileAnswer::DiscardMine) {
            session.reload();
            return Outcome::Declined;
        }
        if (session.save())
            return Outcome::Saved;
    }
    // Its bytes went to the operator's kept file; an image still theirs stays on screen.
    if (session.wasSaveWithheld()) {
        if (mayWrite())
            return Outcome::Declined;
        session.leaveKeepingRecovery();
        return Outcome::Withheld;
    }
    warn(window, QStringLiteral("Fail writing to ") + session.labelPath());
    return Outcome::Failed;
}
