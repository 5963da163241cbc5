#ifndef QUADROTAG_IMAGEVISIT_H
#define QUADROTAG_IMAGEVISIT_H

#include "entryfiles.h"
#include "entryreadahead.h"
#include "imagesession.h"
#include "labelfilesnapshot.h"
#include "saveguard.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class ProjectHistory;
class QWidget;
class TeamDesk;

// The one way into and out of the image on screen. Entering claims the image, reads its
// label file, shows it, notes it as the project's resume point and offers back kept work or
// a proposal; leaving applies the save and proposal rules, or keeps the unsaved state for
// recovery when the image is not this program's to write. It owns the image session, whose
// gate it keeps in step with the claim.
class ImageVisit : public QObject
{
    Q_OBJECT

public:
    ImageVisit(TeamDesk& team, QWidget* window);

    // Where entering notes the image last shown; an empty project notes nothing.
    void setProject(ProjectHistory* history, const QString& project);
    // Enters this image; show puts its pixels and annotation on screen, after the label
    // file was read and before kept work is offered over it. sharedWith names the earlier
    // image of the batch whose label file this is too: the image is then read only.
    void enter(const QString& imagePath, const QString& labelPath,
               const std::function<void()>& show, const QString& sharedWith = QString());
    // Reads the image on screen again on the claim worker, as one whose holder let it go; every
    // edit waits for it. then follows once it is shown anew.
    void reenter(const std::function<void()>& then = {});
    // Reads ahead the files of the images likely entered next (label paths in the same order).
    void readAhead(const QStringList& imagePaths, const QStringList& labelPaths);
    // The claim taken in the background settled: the files are checked against what was
    // shown, and kept work is offered where the image is this program's.
    void settleClaim();
    // The review of the image on screen as read on entering it.
    const std::optional<Review>& enteredReview() const { return entryFiles.review; }
    // Leaves the image on screen; false when it must stay (its save failed, or the
    // operator chose to stay).
    bool leave(SaveGuard::Proposal proposal = SaveGuard::Proposal::Keep);
    // Leaves the image and gives it up: its claim goes, and no image is open afterwards.
    bool close();
    // Leaves the image as the window closes; false when the window must stay.
    bool mayCloseWindow();
    // What the save key does.
    void saveNow();
    // Brings the gate in step with the claim on the image on screen.
    void followClaim();
    // The files the tags were read from, each path with what it held: entering an image
    // compares them with the disk, and a change refuses every edit until they are read again.
    using Vocabulary = std::vector<std::pair<QString, LabelFileSnapshot>>;
    void rememberVocabulary(const Vocabulary& files);

    ImageSession& session() { return document; }
    const ImageSession& session() const { return document; }
    SaveGuard& saveGuard() { return guard; }

signals:
    // The label file was read: the list, the review and the title follow.
    void entered(const QString& imagePath);
    // The claim changed while the image stayed on screen.
    void holdChanged();
    void sglNote(const QString& note);
    // A save is over, whose note, if said, no longer holds.
    void savingOver();

private:
    // Shows the image on screen as these files have it.
    void showRead(const EntryFiles& files);
    // A save is being written: every way out and every reading waits for it. Says so.
    bool isSaving();
    bool whileSaving(const std::function<bool()>& save);
    // holdMayHaveChanged: the image was shown while its claim was taken.
    void settle(bool holdMayHaveChanged);
    void offerKeptWork();
    void loseClaim();
    void keepWithheldSave();
    // The files as looked at now, and whether any changed.
    static Vocabulary lookAtVocabulary(const Vocabulary& files, bool& changed);
    void applyVocabularyCheck(bool changed);
    // Puts the unsaved edits into this operator's own kept file, out of the new holder's way.
    // then follows once the file is written, while the image stays on screen.
    void keepForOperator(const std::function<void()>& then);
    QString keptPath() const;

    ImageSession document;
    SaveGuard guard;
    TeamDesk& team;
    QWidget* window;
    ProjectHistory* history = nullptr;
    QString project;
    // What the lost-claim note adds: where the unsaved edits went.
    QString keptNote;
    // The earlier image of the batch whose label file this image's is, as the stepper said.
    QString sharedInBatch;
    Vocabulary vocabulary;
    // Counts the vocabularies remembered: a look at an earlier one is not kept.
    int vocabularyRead = 0;
    EntryReadAhead entryReadAhead;
    // What the claim worker found after taking the claim (filled on that worker, read once
    // the claim settled): the files of the image, and whether the tags' files changed.
    struct AfterClaim
    {
        EntryFiles files;
        Vocabulary vocabulary;
        int vocabularyRead = 0;
        bool vocabularyChanged = false;
    };
    // The files of the image on screen as shown.
    EntryFiles entryFiles;
    std::shared_ptr<AfterClaim> afterClaim;
    // What the reading under way of the image on screen finds, or none.
    std::shared_ptr<AfterClaim> rereading;
};

#endif
