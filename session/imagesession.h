#ifndef QUADROTAG_IMAGESESSION_H
#define QUADROTAG_IMAGESESSION_H

#include "annotationchange.h"
#include "editgate.h"
#include "imageannotation.h"
#include "labelfilesave.h"
#include "labelfilesnapshot.h"
#include "recoveredstate.h"
#include "recoveryfile.h"
#include "recoverywrite.h"
#include "recoverywriter.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUndoStack>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The image on screen as a document: its annotation, the history of its edits, and its
// label file as this program last read or wrote it. It decides every save by one
// comparison with that file, keeps the unsaved state in a recovery file against a crash,
// and notices when someone else changed the label file. It knows no widget; the window
// shows what it holds and asks the operator what it cannot decide.
class ImageSession : public QObject
{
    Q_OBJECT

public:
    enum class Reading { NoFile, Read, Failed };
    // Rebuilds a label's caption from its tags.
    using Describe = std::function<void(Label&)>;

    explicit ImageSession(QObject* parent = nullptr);
    // Keeps what is unsaved in the recovery file.
    ~ImageSession() override;

    void setDescribe(Describe describe);
    // Who the recovery files written from the next image on name as their writer.
    void setWriter(RecoveryWriter writer);
    // Asked before every write of the label or recovery file: whether this program's claim
    // on the image still holds. A claim found lost also turns the gate, so nothing is written.
    using ClaimCheck = std::function<bool()>;
    void setClaimCheck(ClaimCheck check);
    // Whether the claim still holds, looked at now; others ask it before their writes.
    bool claimHolds();
    // Makes this image the document, with the annotation its label file holds and an empty
    // history. Failed when a file is there but was not read to its end; what was read is
    // held then, and is written only when the operator edits it.
    Reading open(const QString& imagePath, const QString& labelPath);
    // The same with the label file as it was read ahead, on a worker.
    Reading open(const QString& imagePath, const QString& labelPath, LabelFileSnapshot labelRead);
    // Where removals and writes of recovery files go, so that they hold up no step; its future
    // tells when the work is done. Run at once without.
    using BackgroundWork = std::function<QFuture<void>(const std::function<void()>&)>;
    void setBackgroundWork(BackgroundWork work) { backgroundWork = std::move(work); }
    // Where a save's file work goes: it returns once the work is done, the window answering
    // meanwhile. Run at once without.
    using WaitedWork = std::function<void(const std::function<void()>&)>;
    void setWaitedWork(WaitedWork work) { waitedWork = std::move(work); }
    // The claim check as that work asks it, on its own thread; a claim it finds lost is
    // followed up by the claim check on this one.
    void setWorkerClaimCheck(ClaimCheck check) { workerClaimCheck = std::move(check); }
    // A save's write that takes longer asks the claim and looks at the label file again once
    // its bytes are flushed; a quicker one trusts what was asked while it ran.
    void setStalledAfter(std::chrono::milliseconds bound) { stalledAfter = bound; }

    // Whether the gate lets this edit through; when not, editRefused says why. Every step
    // below asks it too, so an input path that forgets to ask changes nothing either.
    bool allows(EditGate::Edit edit);
    // One step of the history, applied at once; false when the gate refused it.
    bool record(AnnotationChange change);
    // A shape moved by a key; presses in a row are one step of the history.
    bool recordNudge(AnnotationChange change);
    // The corners of a shape held by a drag; the release records the whole drag.
    bool moveShapeLive(int shape, const std::vector<QPoint>& points);
    // Puts a shape held by a drag back where the drag began: the drag was refused or cut
    // short, and what it moved is no edit.
    void cancelLiveMove();
    void setActiveShape(int index);
    bool undo();
    bool redo();

    // Whether leaving the image must write: the bytes a save would write differ from the
    // label file as last read or written (no file counts as nothing stored), or from the
    // proposal as it was shown.
    bool needsSaving() const;
    // A proposal is on screen as it was shown: only accepting it stores it.
    bool isUntouchedProposal() const;
    // Whether an explicit save would change the file: also a file laid out by hand.
    bool differsFromDisk() const;
    // Whether the label file on disk is no longer what this program last read or wrote, or
    // the edits on screen were made on an older file than the one read.
    bool changedOnDisk() const;
    // Writes the label file; false when it could not be written, which changes nothing.
    // checkedUnchanged: the caller just found the label file as last read or written
    // (changedOnDisk() false, nothing asked since), so the save starts from that and the claim
    // is confirmed once, after the bytes are flushed.
    bool save(bool checkedUnchanged = false);
    enum class Saving { Saved, ChangedOnDisk, Failed };
    // The save of leaving, in one piece of file work: the label file looked at and, when it is
    // as last read or written, written; ChangedOnDisk, nothing written, when it is not.
    Saving saveUnlessChanged();
    // The last save was written but not put in place: by then the claim was lost or the
    // label file was no longer the one the save started from.
    bool wasSaveWithheld() const { return withheld; }
    // Drops the unsaved edits and reads the label file as it is now.
    Reading reload();
    // A later reading found the label file's bytes as they were read: it stands for that
    // reading, so that the save's look at the file may be one look at its size and time.
    void takeLaterReading(const LabelFileSnapshot& reading) { onDisk = reading; }
    // The image is left without writing: nothing unsaved is kept any longer.
    void leave();
    // The image is left without writing, its unsaved state kept in the recovery file: it
    // may not be written now (its claim was lost).
    void leaveKeepingRecovery();
    // No image is the document any more: a project or batch was closed.
    void close();
    // Writes the unsaved state to the recovery file at once, as before a close that
    // gives up the save.
    void keepRecoveryNow();
    // The state an earlier run kept in the recovery file, when it differs from the label
    // file, or from the proposal about to be shown when there is one. A recovery file that
    // holds nothing new is left alone: it may be another program's.
    std::optional<RecoveredState> takeRecoveredState(const ImageAnnotation* proposal = nullptr);
    // Whether another operator kept this state; the same operator on another computer, or
    // after a crash, kept their own, and a file that names nobody is taken as one's own.
    bool isAnotherOperators(const RecoveredState& state) const;
    // Shows the recovered state as unsaved edits, one step of the history; its recovery
    // file is this run's from then on. keptOnOlderFile: the label file was written after
    // the state was kept, so the next save asks before writing over it.
    void restore(ImageAnnotation recovered, bool keptOnOlderFile = false);
    // The same for edits the operator kept in a file of their own: the recovery file stays
    // whoever's it is, and is written only while it holds no other operator's work.
    void restoreKept(ImageAnnotation kept, bool keptOnOlderFile);
    // Shows a model's proposal as unsaved edits, one step of the history. Once edited it
    // is work, stored on leaving even when emptied; unchanged, only a save stores it.
    void propose(ImageAnnotation proposal);
    // What the proposal file at path holds, as far as it reads; nothing when there is no
    // such file. readToEnd tells whether the file was read whole.
    static std::optional<ImageAnnotation> readProposal(const QString& proposalPath,
                                                       bool& readToEnd);
    // Removes the recovery file if this run wrote it.
    void dropRecovery();
    // Removes the recovery file whoever wrote it: the operator declined it.
    void discardRecovery();

    bool isOpen() const { return !labelFile.isEmpty(); }
    bool isProposed() const { return proposed && !onDisk.exists; }
    bool hasLabelFile() const { return onDisk.exists; }
    // The label file as last read or written.
    const LabelFileSnapshot& labelFileOnDisk() const { return onDisk; }
    const QString& imagePath() const { return image; }
    const QString& labelPath() const { return labelFile; }
    const QString& recoveryPath() const { return recovery->path(); }
    // A recovery write waits for the edits of the moment to end.
    bool isRecoveryDue() const { return recoveryTimer.isActive(); }
    const ImageAnnotation& annotation() const { return current; }
    int activeShape() const { return active; }
    const QUndoStack& history() const { return undoStack; }
    QUndoStack& history() { return undoStack; }
    EditGate& editGate() { return gate; }
    const EditGate& editGate() const { return gate; }

signals:
    // A step of the history changed the annotation or the active shape. newEdit when the
    // step was just recorded from the canvas or the table, which already show it.
    void changeApplied(bool newEdit);
    // The annotation was replaced whole: a new image, a reload.
    void annotationReplaced();
    void modifiedChanged(bool modified);
    void saved(const QString& labelPath);
    // An edit was refused; note names the reason. The views go back to the annotation.
    void editRefused(const QString& note);
    // A save was withheld once its bytes were written: they belong in the operator's own
    // kept file.
    void saveWithheld();
    // The unsaved state could not be kept against a crash; said once per image.
    void recoveryNotKept(const QString& note);

private:
    enum class Start { FromLastLook, LookingFirst, Unchecked };
    Saving write(Start start);
    void followRecoveryWrite(const RecoveryWrite& keep);
    Reading readLabelFile();
    Reading showLabelFile(LabelFileSnapshot labelRead);
    bool push(AnnotationChange change, EditGate::Edit edit, bool nudge);
    // What the step that undo (or redo) would apply touches.
    EditGate::Edit editOfStep(int index) const;
    void apply(const AnnotationChange& change, bool forward);
    void stateChanged();
    void scheduleRecovery();
    void writeRecovery();
    bool wouldStore(const ImageAnnotation& annotation) const;
    void describeAll(ImageAnnotation& annotation) const;
    void showAsEdits(ImageAnnotation annotation);

    bool recoveryFailureSaid = false;
    QString image;
    QString labelFile;
    ImageAnnotation current;
    int active = -1;
    QUndoStack undoStack;
    // The label file as last read or written, to notice changes by someone else.
    LabelFileSnapshot onDisk;
    // What a save of the annotation as read or written would write.
    std::string savedBytes;
    // Shared with the worker that writes and removes it; replaced, never changed, here.
    std::shared_ptr<RecoveryFile> recovery = std::make_shared<RecoveryFile>();
    RecoveryWriter writer;
    // The last write of the recovery file asked of the worker, which a save supersedes.
    std::weak_ptr<RecoveryWrite> pendingRecoveryWrite;
    QTimer recoveryTimer;
    // While edits stay unsaved, brings back a recovery file that someone removed.
    QTimer recoveryCheck;
    bool modified = false;
    bool recording = false;
    // A proposal is on screen: accepting it unchanged is still something to store.
    bool proposed = false;
    // What a save of the proposal as shown would write.
    std::string proposalBytes;
    Describe describe;
    ClaimCheck claimCheck;
    ClaimCheck workerClaimCheck;
    BackgroundWork backgroundWork;
    WaitedWork waitedWork;
    std::chrono::milliseconds stalledAfter = std::chrono::seconds(2);
    EditGate gate;
    // The shape a drag holds and its corners before the drag, until the drag is recorded.
    int liveShape = -1;
    std::vector<QPoint> liveStart;
    // The edits on screen were kept on a label file older than the one read.
    bool keptOnOlder = false;
    bool withheld = false;
};

#endif
