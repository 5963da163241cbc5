#ifndef QUADROTAG_SAVEGUARD_H
#define QUADROTAG_SAVEGUARD_H

#include "imageannotation.h"

#include <QString>

#include <optional>

class ImageSession;
class QWidget;

// Decides with the operator what becomes of the unsaved edits of the image on screen: they
// are saved when the image is left, never written over someone else's file without asking,
// and offered back after a crash.
class SaveGuard
{
public:
    // How leaving treats a proposal the operator has not touched.
    enum class Proposal { Keep, Accept };

    SaveGuard(ImageSession& session, QWidget* window);

    // What the save key does: writes when the label file would change.
    void saveNow();
    // Every way of leaving an image goes through here; false when the image must stay
    // (its save failed or the operator chose to stay). An image that was only viewed is
    // never rewritten, and an untouched proposal is written only when accepted. An image
    // this program may not write is left unwritten, its unsaved state kept for recovery.
    bool leave(Proposal proposal = Proposal::Keep);
    // Whether the window may close; edits given up stay in the recovery file.
    bool mayClose();
    // What was kept for the image just shown: an interrupted run's unsaved state is offered
    // back first; otherwise a model's proposal is shown as unsaved edits. Returns the note
    // that tells how many shapes were proposed, or of kept edits that can't be read, or nothing.
    // keptPath: where this operator's edits were kept when the claim was lost.
    QString offerKeptWork(const QString& keptPath);

private:
    // What an interrupted run left unsaved is offered back, never applied silently, and
    // another operator's by their name; true when the operator took it up.
    bool offerRecovery(const std::optional<ImageAnnotation>& proposal);
    // Edits this operator kept in a file of their own when the claim went to someone else;
    // true when it was taken up. Taken up or declined, the file is removed; one that can't be
    // read whole stays, and unreadable tells what to say of it.
    bool offerOwnKeptFile(const QString& keptPath, QString& unreadable);
    // Withheld: the image turned out not to be this program's to write; its state is kept
    // for recovery and the image may be left.
    enum class Outcome { Saved, Withheld, Declined, Failed };
    Outcome saveBeforeLeaving(Proposal proposal);
    Outcome save();
    bool mayWrite() const;

    ImageSession& session;
    QWidget* window;
};

#endif
