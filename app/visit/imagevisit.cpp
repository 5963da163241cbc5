#include "imagevisit.h"

#include "projecthistory.h"
#include "sessionquestions.h"
#include "teamdesk.h"

ImageVisit::ImageVisit(TeamDesk& team, QWidget* window)
    : guard(document, window), team(team), window(window)
{
    const Claim& self = team.imageClaim().self();
    document.setWriter({self.operatorName, self.host, self.pid});
    connect(&team, &TeamDesk::sglClaimLost, this, &ImageVisit::loseClaim);
    guard.setClaimCheck([&team] { team.confirmClaim(); });
}

void ImageVisit::setProject(ProjectHistory* projectHistory, const QString& projectFolder)
{
    history = projectHistory;
    project = projectFolder;
}

void ImageVisit::enter(const QString& imagePath, const QString& labelPath,
                       const std::function<void()>& show, const QString& sharedWith)
{
    document.editGate().setSharedLabel(sharedWith);
    team.enter(imagePath);
    // A damaged file is shown as far as it could be read, and is rewritten only when the
    // operator edits the image.
    const bool readWhole = document.open(imagePath, labelPath) != ImageSession::Reading::Failed;
    followClaim();
    if (!readWhole)
        warn(window, QStringLiteral("Fail reading from ") + labelPath);
    emit entered(imagePath);
    show();
    if (!sharedWith.isEmpty())
        emit sglNote(EditGate::sharedLabelNote(sharedWith) + QStringLiteral(": read only"));
    if (history && !project.isEmpty())
        history->rememberShownImage(project, imagePath);
    offerKeptWork();
}

void ImageVisit::reenter()
{
    if (!document.isOpen())
        return;
    // Whatever its holder stored meanwhile is read before the operator edits it.
    read();
    followClaim();
    offerKeptWork();
}

void ImageVisit::read()
{
    if (document.open(document.imagePath(), document.labelPath()) == ImageSession::Reading::Failed)
        warn(window, QStringLiteral("Fail reading from ") + document.labelPath());
    emit entered(document.imagePath());
}

// Another's unsaved work and proposals are theirs to take up.
void ImageVisit::offerKeptWork()
{
    if (team.hold() != EditGate::Hold::Own ||
        !document.editGate().refusal(EditGate::Edit::Write).isEmpty())
        return;
    const QString proposed = guard.offerKeptWork();
    if (!proposed.isEmpty())
        emit sglNote(proposed);
}

bool ImageVisit::leave(SaveGuard::Proposal proposal)
{
    return guard.leave(proposal);
}

bool ImageVisit::close()
{
    if (!leave())
        return false;
    team.leave();
    document.close();
    document.editGate().setHold(EditGate::Hold::Closed);
    return true;
}

bool ImageVisit::mayCloseWindow()
{
    if (!guard.mayClose())
        return false;
    team.leave();
    return true;
}

void ImageVisit::saveNow()
{
    guard.saveNow();
}

void ImageVisit::followClaim()
{
    // A closed batch stays closed whatever the claims do.
    if (!document.isOpen())
        return;
    const EditGate::Hold hold = team.hold();
    document.editGate().setHold(hold, team.isHeldElsewhere() ? team.heldNote() : QString());
}

// The work of this program stays in the recovery file, named as its own, for when the image
// comes back; the new holder's file is never written over.
void ImageVisit::loseClaim()
{
    // A drag under way when the claim went is no edit of this program's.
    document.cancelLiveMove();
    followClaim();
    document.keepRecoveryNow();
    emit holdChanged();
}
