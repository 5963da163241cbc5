#include "imagevisit.h"

#include "batchpaths.h"
#include "labelfile.h"
#include "projecthistory.h"
#include "sessionquestions.h"
#include "teamdesk.h"
#include "teampaths.h"
#include "whendone.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <future>

#include <utility>

namespace {
// How soon a freed image is read again when a save held it up.
const int savingRetryMilliseconds = 100;
} // namespace

ImageVisit::ImageVisit(TeamDesk& team, QWidget* window)
    : guard(document, window), team(team), window(window)
{
    const Claim& self = team.imageClaim().self();
    document.setWriter({self.operatorName, self.host, self.pid});
    connect(&team, &TeamDesk::sglClaimLost, this, &ImageVisit::loseClaim);
    connect(&document, &ImageSession::saveWithheld, this, &ImageVisit::keepWithheldSave);
    document.setClaimCheck([&team] { return team.confirmClaim(); });
    document.setWorkerClaimCheck([&team] { return team.confirmOnWorker(); });
    document.setBackgroundWork(
        [&team](const std::function<void()>& work) { return team.runInOrder(work); });
    document.setWaitedWork([&team](const std::function<void()>& work) { team.runAndWait(work); });
}

void ImageVisit::setProject(ProjectHistory* projectHistory, const QString& projectFolder)
{
    history = projectHistory;
    project = projectFolder;
}

void ImageVisit::enter(const QString& imagePath, const QString& labelPath,
                       const std::function<void()>& show, const QString& sharedWith)
{
    keptNote.clear();
    rereading.reset();
    entryFiles = entryReadAhead.take(imagePath, labelPath);
    sharedInBatch = sharedWith;
    const QString shared = sharedWith.isEmpty() ? entryFiles.linkedLabel : sharedWith;
    document.editGate().setSharedLabel(shared);
    // Checked once the claim is taken: whoever wrote before then is read.
    afterClaim = std::make_shared<AfterClaim>();
    const Claim& self = team.imageClaim().self();
    team.enter(imagePath, [found = afterClaim, ahead = entryFiles, imagePath, labelPath,
                           kept = keptPathFor(imagePath, self.operatorName, self.host),
                           vocabulary = vocabulary, read = vocabularyRead] {
        // The vocabulary is looked at beside the entry's files: on a share, one wait for both.
        auto looked = std::async(std::launch::async, [&vocabulary, found] {
            found->vocabulary = lookAtVocabulary(vocabulary, found->vocabularyChanged);
        });
        found->files = ahead.revalidated(imagePath, labelPath, kept);
        looked.get();
        found->vocabularyRead = read;
    });
    // A damaged file is shown as far as it could be read, and is rewritten only when the
    // operator edits the image.
    const bool readWhole =
        document.open(imagePath, labelPath, entryFiles.label) != ImageSession::Reading::Failed;
    followClaim();
    if (!readWhole)
        warn(window, QStringLiteral("Fail reading from ") + labelPath);
    emit entered(imagePath);
    show();
    if (!shared.isEmpty())
        emit sglNote(EditGate::sharedLabelNote(shared) + QStringLiteral(": read only"));
    if (history && !project.isEmpty())
        history->rememberShownImage(project, imagePath);
    if (team.hold() != EditGate::Hold::Pending)
        settle(false);
}

void ImageVisit::readAhead(const QStringList& imagePaths, const QStringList& labelPaths)
{
    entryReadAhead.readAhead(imagePaths, labelPaths);
}

void ImageVisit::settleClaim()
{
    settle(true);
}

void ImageVisit::settle(bool holdMayHaveChanged)
{
    const std::shared_ptr<AfterClaim> found = std::exchange(afterClaim, nullptr);
    if (!found || !document.isOpen())
        return;
    // Nothing could be edited meanwhile: a file changed since it was read ahead is shown anew.
    const bool changed =
        found->files.label != entryFiles.label || found->files.reviewFile != entryFiles.reviewFile;
    entryFiles = found->files;
    // Linked meanwhile, or no longer: the claim taken is for the link's own name only.
    document.editGate().setSharedLabel(sharedInBatch.isEmpty() ? entryFiles.linkedLabel
                                                               : sharedInBatch);
    if (changed) {
        if (document.open(document.imagePath(), document.labelPath(), entryFiles.label) ==
            ImageSession::Reading::Failed)
            warn(window, QStringLiteral("Fail reading from ") + document.labelPath());
        emit entered(document.imagePath());
    } else {
        document.takeLaterReading(entryFiles.label);
    }
    followClaim();
    if (found->vocabularyRead == vocabularyRead)
        vocabulary = found->vocabulary;
    applyVocabularyCheck(found->vocabularyChanged);
    if (holdMayHaveChanged)
        emit holdChanged();
    if (entryFiles.hasKeptWork)
        offerKeptWork();
}

void ImageVisit::reenter(const std::function<void()>& then)
{
    if (!document.isOpen())
        return;
    // Not under a save still being written: the file is read once that is done.
    if (isSaving()) {
        QTimer::singleShot(savingRetryMilliseconds, this, [this, then] { reenter(then); });
        return;
    }
    // Whatever its holder stored meanwhile is read before the operator edits it, whole: the
    // share's clock may run behind this computer's, and then no size or time tells that the
    // holder's last save came in the second the files were read at the entry.
    const QString image = document.imagePath();
    const QString label = document.labelPath();
    rereading = std::make_shared<AfterClaim>();
    followClaim();
    const QFuture<void> done = team.runInOrder(
        [found = rereading, image, label, vocabulary = vocabulary, read = vocabularyRead] {
            found->files = EntryFiles::read(image, label);
            found->vocabulary = lookAtVocabulary(vocabulary, found->vocabularyChanged);
            found->vocabularyRead = read;
        });
    const auto follow = [this, found = rereading, image, then] {
        // Another image entered, the batch closed or this one read anew meanwhile.
        if (rereading != found)
            return;
        rereading.reset();
        showRead(found->files);
        followClaim();
        if (found->vocabularyRead == vocabularyRead)
            vocabulary = found->vocabulary;
        applyVocabularyCheck(found->vocabularyChanged);
        emit holdChanged();
        // Asked once the claim refresh that freed the image has returned: a question held open
        // inside it would stop its timer, and the claim would go stale under the operator.
        QTimer::singleShot(0, this, [this, image] {
            if (document.isOpen() && document.imagePath() == image)
                offerKeptWork();
        });
        if (then)
            then();
    };
    if (done.isFinished())
        follow();
    else
        whenDone(this, done, follow);
}

void ImageVisit::showRead(const EntryFiles& files)
{
    entryFiles = files;
    if (document.open(document.imagePath(), document.labelPath(), entryFiles.label) ==
        ImageSession::Reading::Failed)
        warn(window, QStringLiteral("Fail reading from ") + document.labelPath());
    emit entered(document.imagePath());
}

// Another's unsaved work and proposals are theirs to take up.
void ImageVisit::offerKeptWork()
{
    if (team.hold() != EditGate::Hold::Own ||
        !document.editGate().refusal(EditGate::Edit::Write).isEmpty())
        return;
    const QString proposed = guard.offerKeptWork(keptPath());
    if (!proposed.isEmpty())
        emit sglNote(proposed);
}

namespace {
// Shorter saves end unnoticed.
const int savingNoteDelayMilliseconds = 200;
} // namespace

bool ImageVisit::isSaving()
{
    if (!document.editGate().isSaving())
        return false;
    emit sglNote(QString::fromUtf8(EditGate::savingNote));
    return true;
}

// From the first look at the label file to the last question, not only while bytes go out.
bool ImageVisit::whileSaving(const std::function<bool()>& save)
{
    document.editGate().setSaving(true);
    // A save that waits on a share says so, as a key refused meanwhile would.
    QTimer::singleShot(savingNoteDelayMilliseconds, this, [this] { isSaving(); });
    const bool saved = save();
    document.editGate().setSaving(false);
    emit savingOver();
    return saved;
}

bool ImageVisit::leave(SaveGuard::Proposal proposal)
{
    // The window answers while a save is written: a second way out waits for the first.
    if (isSaving())
        return false;
    // The log line and the recovery file's removal wait behind the next image's claim.
    team.holdBehindNextClaim();
    const bool left = whileSaving([&] { return guard.leave(proposal); });
    if (!left)
        team.letHeldWorkGo();
    return left;
}

bool ImageVisit::close()
{
    if (!leave())
        return false;
    team.leave();
    rereading.reset();
    document.close();
    document.editGate().setHold(EditGate::Hold::Closed);
    return true;
}

bool ImageVisit::mayCloseWindow()
{
    if (isSaving() || !whileSaving([this] { return guard.mayClose(); }))
        return false;
    team.leave();
    return true;
}

void ImageVisit::saveNow()
{
    if (!isSaving())
        whileSaving([this] {
            guard.saveNow();
            return true;
        });
}

void ImageVisit::followClaim()
{
    // A closed batch stays closed whatever the claims do.
    if (!document.isOpen())
        return;
    EditGate::Hold hold = team.hold();
    if (hold == EditGate::Hold::Own)
        keptNote.clear();
    // Its own, but edits wait for the files being read again.
    if (hold == EditGate::Hold::Own && rereading)
        hold = EditGate::Hold::Pending;
    const QString lostNote = hold == EditGate::Hold::ClaimLost ? keptNote : QString();
    document.editGate().setHold(hold, hold == EditGate::Hold::Own ? QString()
                                                                  : team.heldNote() + lostNote);
}

QString ImageVisit::keptPath() const
{
    const Claim& self = team.imageClaim().self();
    return keptPathFor(document.imagePath(), self.operatorName, self.host);
}

void ImageVisit::keepForOperator(const std::function<void()>& then)
{
    if (!document.needsSaving())
        return then();
    const QString path = keptPath();
    auto kept = std::make_shared<bool>(false);
    const QFuture<void> done =
        team.runInOrder([kept, path, bytes = labelFileContents(document.annotation())] {
            *kept =
                QDir().mkpath(QFileInfo(path).path()) && writeLabelBytes(bytes, localPath(path));
        });
    const auto follow = [this, kept, path, image = document.imagePath(), then] {
        // Left meanwhile: the note was about an image no longer on screen.
        if (document.imagePath() != image)
            return;
        keptNote = *kept ? QStringLiteral("; your unsaved changes are kept as ") + path
                         : QStringLiteral("; your unsaved changes could not be kept in ") + path;
        then();
    };
    if (done.isFinished())
        follow();
    else
        whenDone(this, done, follow);
}

// The work of this program stays in a file of its operator's own, offered back when the image
// comes back; the new holder's files beside the label file are never written.
void ImageVisit::loseClaim()
{
    // A drag under way when the claim went is no edit of this program's.
    document.cancelLiveMove();
    // Read only at once: what is kept is what stood at this moment.
    followClaim();
    keepForOperator([this] {
        followClaim();
        emit holdChanged();
    });
}

// A save that found the label file replaced once its bytes were written; a claim lost on the
// way has kept them already, and says so.
void ImageVisit::keepWithheldSave()
{
    if (team.hold() != EditGate::Hold::Own)
        return;
    keepForOperator([this] {
        emit sglNote(QStringLiteral("Not saved: the label file changed while it was written") +
                     keptNote);
    });
}

void ImageVisit::rememberVocabulary(const Vocabulary& files)
{
    vocabulary = files;
    ++vocabularyRead;
    document.editGate().setVocabularyChanged(false);
}

// On the claim worker at entry: the files may be on a share. A file's bytes are compared until
// a reading a grain after the first found them again at the same size and time; from then on
// one look at its size and time tells. A changed file stays changed until the vocabulary is
// read again.
ImageVisit::Vocabulary ImageVisit::lookAtVocabulary(const Vocabulary& files, bool& changed)
{
    Vocabulary now = files;
    changed = false;
    for (auto& [path, snapshot] : now) {
        if (snapshot.isCurrent(path))
            continue;
        const LabelFileSnapshot read = LabelFileSnapshot::of(path);
        if (read != snapshot)
            changed = true;
        else
            snapshot = snapshot.confirmedBy(read);
    }
    return now;
}

void ImageVisit::applyVocabularyCheck(bool changed)
{
    document.editGate().setVocabularyChanged(changed);
    if (changed)
        emit sglNote(QString::fromLatin1(EditGate::vocabularyChangedNote));
}
