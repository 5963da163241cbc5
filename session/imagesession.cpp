#include "imagesession.h"

#include "annotationedit.h"
#include "labelfile.h"
#include "labelfilesave.h"
#include "whendone.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <utility>

namespace {
// Older steps are dropped, so the history stays small through a long session.
const int undoLimit = 200;
// Soon enough that a crash loses at most a moment, rarely enough to cost nothing in a drag.
const int recoveryDelayMilliseconds = 500;
// A recovery file removed by someone else is back within this, while edits stay unsaved.
const int recoveryCheckMilliseconds = 2000;

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

ImageSession::ImageSession(QObject* parent) : QObject(parent)
{
    undoStack.setUndoLimit(undoLimit);
    recoveryTimer.setSingleShot(true);
    recoveryTimer.setInterval(recoveryDelayMilliseconds);
    connect(&recoveryTimer, &QTimer::timeout, this, &ImageSession::writeRecovery);
    recoveryCheck.setSingleShot(true);
    recoveryCheck.setInterval(recoveryCheckMilliseconds);
    connect(&recoveryCheck, &QTimer::timeout, this, &ImageSession::writeRecovery);
    connect(&undoStack, &QUndoStack::indexChanged, this, &ImageSession::stateChanged);
}

ImageSession::~ImageSession()
{
    // The history clears itself when destroyed, after the members it would report to.
    disconnect(&undoStack, nullptr, this, nullptr);
    if (recoveryTimer.isActive())
        writeRecovery();
}

void ImageSession::setDescribe(Describe newDescribe)
{
    describe = std::move(newDescribe);
}

void ImageSession::setClaimCheck(ClaimCheck check)
{
    claimCheck = std::move(check);
}

bool ImageSession::claimHolds()
{
    return !claimCheck || claimCheck();
}

void ImageSession::setWriter(RecoveryWriter newWriter)
{
    writer = std::move(newWriter);
}

ImageSession::Reading ImageSession::open(const QString& imagePath, const QString& labelPath)
{
    return open(imagePath, labelPath, LabelFileSnapshot::of(labelPath));
}

ImageSession::Reading ImageSession::open(const QString& imagePath, const QString& labelPath,
                                         LabelFileSnapshot labelRead)
{
    recoveryTimer.stop();
    recoveryCheck.stop();
    image = imagePath;
    labelFile = labelPath;
    recovery = std::make_shared<RecoveryFile>(labelPath, writer);
    recoveryFailureSaid = false;
    return showLabelFile(std::move(labelRead));
}

ImageSession::Reading ImageSession::reload()
{
    dropRecovery();
    return readLabelFile();
}

ImageSession::Reading ImageSession::readLabelFile()
{
    return showLabelFile(LabelFileSnapshot::of(labelFile));
}

ImageSession::Reading ImageSession::showLabelFile(LabelFileSnapshot labelRead)
{
    liveShape = -1;
    keptOnOlder = false;
    onDisk = std::move(labelRead);
    current.clear();
    active = -1;
    bool readToEnd = true;
    if (onDisk.exists && onDisk.readable)
        readLabelBytes(current, onDisk.bytes, readToEnd);
    gate.setLabelUnreadable(onDisk.exists && !onDisk.readable);
    describeAll(current);
    savedBytes = labelFileContents(current);
    // Clearing the history moves its index, which must not count as an edit.
    recording = true;
    undoStack.clear();
    recording = false;
    modified = false;
    proposed = false;
    emit annotationReplaced();
    emit modifiedChanged(false);
    if (!onDisk.exists)
        return Reading::NoFile;
    return onDisk.readable && readToEnd ? Reading::Read : Reading::Failed;
}

bool ImageSession::allows(EditGate::Edit edit)
{
    const QString refusal = gate.refusal(edit);
    if (refusal.isEmpty())
        return true;
    // A drag cut short by the refusal leaves nothing moved behind it.
    cancelLiveMove();
    emit editRefused(refusal);
    return false;
}

bool ImageSession::record(AnnotationChange change)
{
    const EditGate::Edit edit =
        touchesShapes(change) ? EditGate::Edit::Shapes : EditGate::Edit::Style;
    return push(std::move(change), edit, false);
}

bool ImageSession::recordNudge(AnnotationChange change)
{
    return push(std::move(change), EditGate::Edit::Shapes, true);
}

bool ImageSession::push(AnnotationChange change, EditGate::Edit edit, bool nudge)
{
    if (!allows(edit))
        return false;
    liveShape = -1;
    recording = true;
    undoStack.push(new AnnotationEdit(
        std::move(change),
        [this](const AnnotationChange& step, bool forward) { apply(step, forward); }, nudge));
    recording = false;
    stateChanged();
    return true;
}

void ImageSession::apply(const AnnotationChange& change, bool forward)
{
    liveShape = -1;
    if (!(forward ? redoChange(current, change) : undoChange(current, change)))
        return;
    const int wanted = forward ? change.activeAfter : change.activeBefore;
    active = wanted >= 0 && wanted < int(current.labels.size()) ? wanted : -1;
    emit changeApplied(recording);
}

bool ImageSession::moveShapeLive(int shape, const std::vector<QPoint>& points)
{
    if (shape < 0 || shape >= int(current.labels.size()) || !allows(EditGate::Edit::Shapes))
        return false;
    std::vector<QPoint>& corners = current.labels[std::size_t(shape)].points;
    if (liveShape != shape) {
        liveShape = shape;
        liveStart = corners;
    }
    std::copy_n(points.begin(), std::min(points.size(), corners.size()), corners.begin());
    scheduleRecovery();
    return true;
}

void ImageSession::cancelLiveMove()
{
    const int shape = std::exchange(liveShape, -1);
    if (shape < 0 || shape >= int(current.labels.size()))
        return;
    current.labels[std::size_t(shape)].points = liveStart;
    emit changeApplied(false);
}

void ImageSession::setActiveShape(int index)
{
    active = index >= 0 && index < int(current.labels.size()) ? index : -1;
}

bool ImageSession::undo()
{
    if (!allows(editOfStep(undoStack.index() - 1)) || !undoStack.canUndo())
        return false;
    undoStack.undo();
    return true;
}

bool ImageSession::redo()
{
    if (!allows(editOfStep(undoStack.index())) || !undoStack.canRedo())
        return false;
    undoStack.redo();
    return true;
}

EditGate::Edit ImageSession::editOfStep(int index) const
{
    const auto* step = static_cast<const AnnotationEdit*>(undoStack.command(index));
    return step && !touchesShapes(step->change()) ? EditGate::Edit::Style : EditGate::Edit::Shapes;
}

void ImageSession::stateChanged()
{
    if (recording)
        return;
    const bool work = needsSaving();
    if (work)
        scheduleRecovery();
    else
        dropRecovery();
    // An untouched proposal is not on disk either, though it is no work to lose.
    const bool nowModified = work || isProposed();
    if (nowModified != modified) {
        modified = nowModified;
        emit modifiedChanged(modified);
    }
}

bool ImageSession::wouldStore(const ImageAnnotation& annotation) const
{
    if (onDisk.exists)
        return labelFileContents(annotation) != savedBytes;
    // Without a label file, a style of "None" and no tagged shape store nothing.
    return annotation.styleIndex != 0 || storedShapeCount(annotation) > 0;
}

bool ImageSession::needsSaving() const
{
    if (!isOpen())
        return false;
    if (isProposed())
        return labelFileContents(current) != proposalBytes;
    return wouldStore(current);
}

bool ImageSession::isUntouchedProposal() const
{
    return isOpen() && isProposed() && labelFileContents(current) == proposalBytes;
}

bool ImageSession::differsFromDisk() const
{
    return needsSaving() || isUntouchedProposal() ||
           (isOpen() && onDisk.exists && onDisk.readable &&
            onDisk.bytes != labelFileContents(current));
}

bool ImageSession::changedOnDisk() const
{
    return isOpen() && (keptOnOlder || !LabelFileSave::isStill(onDisk, labelFile));
}

bool ImageSession::save(bool checkedUnchanged)
{
    withheld = false;
    // Unchecked, a claim lost already is found before anything is written.
    if (!isOpen() || !allows(EditGate::Edit::Write) || (!checkedUnchanged && !claimHolds()))
        return false;
    return write(checkedUnchanged ? Start::FromLastLook : Start::Unchecked) == Saving::Saved;
}

ImageSession::Saving ImageSession::saveUnlessChanged()
{
    withheld = false;
    if (!isOpen() || !allows(EditGate::Edit::Write))
        return Saving::Failed;
    if (keptOnOlder)
        return Saving::ChangedOnDisk;
    return write(Start::LookingFirst);
}

ImageSession::Saving ImageSession::write(Start start)
{
    const std::string bytes = labelFileContents(current);
    const LabelFileSnapshot known = onDisk;
    const ClaimCheck claimThere = waitedWork && workerClaimCheck ? workerClaimCheck : claimCheck;
    LabelFileSave result;
    const auto work = [&, path = labelFile] {
        result = LabelFileSave::write(bytes, path, start == Start::Unchecked ? nullptr : &known,
                                      start == Start::LookingFirst, claimThere, stalledAfter);
    };
    // A keeping of the state not yet begun waits for no share: the save stores it.
    if (const std::shared_ptr<RecoveryWrite> keep = pendingRecoveryWrite.lock())
        keep->supersede();
    // The annotation stays as it is meanwhile: the gate refuses every edit but the save.
    const bool savingAlready = gate.isSaving();
    gate.setSaving(true);
    waitedWork ? waitedWork(work) : work();
    gate.setSaving(savingAlready);
    if (result.changedOnDisk)
        return Saving::ChangedOnDisk;
    // Found lost over there: the check here turns the gate and keeps the edits.
    if (result.claimLost)
        claimHolds();
    if (!result.written) {
        withheld = result.withheld;
        if (withheld)
            emit saveWithheld();
        return Saving::Failed;
    }
    // An earlier version's leftover is no reason to hold up the step.
    const auto removeLeftover = [path = localPath(labelFile)] { removeLeftoverTemporary(path); };
    if (backgroundWork)
        backgroundWork(removeLeftover);
    else
        removeLeftover();
    onDisk = LabelFileSnapshot::written(bytes);
    savedBytes = bytes;
    keptOnOlder = false;
    // The history never merges a step into the one that was saved: a nudge after the save
    // starts a step of its own, so undo comes back to the saved position.
    undoStack.setClean();
    stateChanged();
    emit saved(labelFile);
    return Saving::Saved;
}

void ImageSession::leave()
{
    dropRecovery();
}

void ImageSession::leaveKeepingRecovery()
{
    keepRecoveryNow();
    recoveryTimer.stop();
    recoveryCheck.stop();
}

void ImageSession::close()
{
    recoveryTimer.stop();
    recoveryCheck.stop();
    image.clear();
    labelFile.clear();
    recovery = std::make_shared<RecoveryFile>();
    readLabelFile();
}

void ImageSession::dropRecovery()
{
    recoveryTimer.stop();
    recoveryCheck.stop();
    if (!backgroundWork) {
        recovery->remove();
        return;
    }
    // Behind any write of it still under way; the next state is written as a new file.
    backgroundWork([removal = recovery] { removal->remove(); });
    recovery = isOpen() ? std::make_shared<RecoveryFile>(labelFile, writer)
                        : std::make_shared<RecoveryFile>();
}

void ImageSession::discardRecovery()
{
    dropRecovery();
    recovery->discard();
}

void ImageSession::scheduleRecovery()
{
    // Not restarted by later edits: a long drag is kept within the delay too.
    if (!recoveryTimer.isActive())
        recoveryTimer.start();
}

void ImageSession::keepRecoveryNow()
{
    if (needsSaving())
        writeRecovery();
}

void ImageSession::writeRecovery()
{
    recoveryTimer.stop();
    if (!needsSaving()) {
        dropRecovery();
        return;
    }
    // The recovery file lies beside the label file: the new holder's to write. A share that
    // stalls holds up the worker, never the window; the outcome is followed here.
    auto keep = std::make_shared<RecoveryWrite>(recovery, labelFileContents(current),
                                                backgroundWork ? workerClaimCheck : claimCheck);
    pendingRecoveryWrite = keep;
    QFuture<void> done =
        backgroundWork ? backgroundWork([keep] { keep->run(); }) : QtFuture::makeReadyFuture();
    if (!backgroundWork)
        keep->run();
    const auto follow = [this, keep, file = recovery] {
        // An image left since, or a file dropped since, is no longer this one's to follow.
        if (file == recovery)
            followRecoveryWrite(*keep);
    };
    if (done.isFinished())
        follow();
    else
        whenDone(this, done, follow);
}

void ImageSession::followRecoveryWrite(const RecoveryWrite& keep)
{
    // Given way to a save that did not land: the state is kept after all.
    if (keep.wasSuperseded())
        return scheduleRecovery();
    // Found lost over there: the check here turns the gate and keeps the edits.
    if (!keep.claimHeld()) {
        claimHolds();
        return;
    }
    if (!keep.written() && !std::exchange(recoveryFailureSaid, true))
        emit recoveryNotKept(QStringLiteral("Unsaved changes can't be kept against a crash in ") +
                             recovery->path() + QStringLiteral(": save them with Ctrl+S"));
    recoveryCheck.start();
}

std::optional<RecoveredState> ImageSession::takeRecoveredState(const ImageAnnotation* proposal)
{
    std::optional<RecoveredState> recovered = recovery->read();
    if (!recovered)
        return recovered;
    const ImageAnnotation& kept = recovered->annotation;
    const bool isNew =
        proposal ? labelFileContents(kept) != labelFileContents(*proposal) : wouldStore(kept);
    if (!isNew)
        recovered.reset();
    return recovered;
}

bool ImageSession::isAnotherOperators(const RecoveredState& state) const
{
    return state.writer && state.writer->operatorName != writer.operatorName;
}

void ImageSession::restore(ImageAnnotation recovered, bool keptOnOlderFile)
{
    recovery->adopt();
    showAsEdits(std::move(recovered));
    keptOnOlder = keptOnOlderFile;
}

void ImageSession::restoreKept(ImageAnnotation kept, bool keptOnOlderFile)
{
    showAsEdits(std::move(kept));
    keptOnOlder = keptOnOlderFile;
}

// Kept work and proposals are shown whatever the view hides, never on an image not this
// program's to write.
void ImageSession::showAsEdits(ImageAnnotation annotation)
{
    describeAll(annotation);
    push(AnnotationChange::everythingReplaced(current, annotation, active), EditGate::Edit::Write,
         false);
}

void ImageSession::propose(ImageAnnotation proposal)
{
    // Set first: the step's own save-rule check already compares with the proposal.
    proposed = true;
    proposalBytes = labelFileContents(proposal);
    showAsEdits(std::move(proposal));
}

std::optional<ImageAnnotation> ImageSession::readProposal(const QString& proposalPath,
                                                          bool& readToEnd)
{
    const LabelFileSnapshot proposalFile = LabelFileSnapshot::of(proposalPath);
    readToEnd = proposalFile.readable;
    if (!proposalFile.exists)
        return std::nullopt;
    ImageAnnotation proposal;
    if (proposalFile.readable)
        readLabelBytes(proposal, proposalFile.bytes, readToEnd);
    return proposal;
}

void ImageSession::describeAll(ImageAnnotation& annotation) const
{
    if (describe)
        for (Label& label : annotation.labels)
            describe(label);
}
