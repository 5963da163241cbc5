#include "saveguard.h"

#include "annotationeditor.h"
#include "imagesession.h"
#include "labelpath.h"
#include "sessionquestions.h"

#include <optional>
#include <utility>

SaveGuard::SaveGuard(ImageSession& session, AnnotationEditor& editor, QWidget* window)
    : session(session), editor(editor), window(window)
{
}

void SaveGuard::saveNow()
{
    if (session.differsFromDisk())
        save();
}

bool SaveGuard::leave()
{
    return saveBeforeLeaving() == Outcome::Saved;
}

bool SaveGuard::mayClose()
{
    const Outcome outcome = saveBeforeLeaving();
    // Their file chosen over the operator's edits leaves nothing to save.
    const bool mayClose = outcome == Outcome::Saved ||
                          (outcome == Outcome::Declined && !session.needsSaving()) ||
                          (outcome == Outcome::Failed && confirmCloseWithoutSaving(window));
    if (mayClose)
        session.keepRecoveryNow();
    return mayClose;
}

QString SaveGuard::offerKeptWork()
{
    if (offerRecovery() || session.hasLabelFile())
        return QString();
    bool readToEnd = true;
    const int shapes = session.proposeFrom(proposalPathFor(session.imagePath()), readToEnd);
    return shapes >= 0 ? proposalNote(shapes, readToEnd) : QString();
}

bool SaveGuard::offerRecovery()
{
    std::optional<ImageAnnotation> recovered = session.takeRecoveredState();
    if (!recovered)
        return false;
    if (askToRecover(window, session.imagePath())) {
        session.restore(std::move(*recovered));
        return true;
    }
    session.dropRecovery();
    return false;
}

SaveGuard::Outcome SaveGuard::saveBeforeLeaving()
{
    if (!session.needsSaving()) {
        session.leave();
        return Outcome::Saved;
    }
    return save();
}

// Writes the label file, unless someone else changed it and the operator keeps theirs.
SaveGuard::Outcome SaveGuard::save()
{
    if (session.changedOnDisk()) {
        const ChangedFileAnswer answer = askAboutChangedFile(window, session.labelPath());
        if (answer == ChangedFileAnswer::Cancel)
            return Outcome::Declined;
        if (answer == ChangedFileAnswer::DiscardMine) {
            session.reload();
            editor.showWholeAnnotation();
            return Outcome::Declined;
        }
    }
    if (session.save())
        return Outcome::Saved;
    warn(window, QStringLiteral("Fail writing to ") + session.labelPath());
    return Outcome::Failed;
}
