#ifndef QUADROTAG_EDITGATE_H
#define QUADROTAG_EDITGATE_H

#include <QString>

// Whether the annotation on screen may change now, and if not, the one message that says
// why. The image session asks it before every step, so a key, a click, a menu entry, a paste
// and a review verdict are refused alike: no input path decides this for itself.
class EditGate
{
public:
    // What an edit touches: hiding the shapes stops only the edits of shapes.
    enum class Edit { Shapes, Style, Review, Write };
    // Why the image on screen is not this program's to change.
    // Pending: the image is shown while its claim is being taken, and is not yet to be changed.
    enum class Hold { Own, Pending, HeldByOther, ClaimLost, ClaimNotTaken, Closed };

    static const char shapesHiddenNote[];
    static const char claimNotTakenNote[];
    static const char closedNote[];
    static const char vocabularyChangedNote[];
    static const char pendingNote[];
    static const char imageLoadingNote[];
    static const char savingNote[];
    static const char unreadableLabelNote[];
    // "Shares its label file with x.jpg"
    static QString sharedLabelNote(const QString& firstImageName);

    // note names the holder for HeldByOther and ClaimLost, and may say why for ClaimNotTaken;
    // the other holds have their own.
    void setHold(Hold hold, const QString& note = QString());
    void setShapesHidden(bool hidden);
    // The image on screen shares its label file with this earlier image of the batch, whose
    // annotation it is: read only. Empty when the label file is its own.
    void setSharedLabel(const QString& firstImageName);
    // The vocabulary on disk is no longer the one the tags were read from (a relabelling ran):
    // cells stored now would mean other tags.
    void setVocabularyChanged(bool changed);
    // The label file is there but could not be read: a save would replace shapes never shown.
    void setLabelUnreadable(bool unreadable) { labelUnreadable = unreadable; }
    // The image stepped to is still being decoded: the one left behind stays on screen, and
    // nothing may change until the new one is shown.
    void setImageLoading(bool loading);
    // The label file is being written off the GUI thread: the annotation on screen is what is
    // written, and stays so until the write is done. Only the save itself goes on.
    void setSaving(bool saving);
    bool isSaving() const { return savingNow; }

    // Empty when the edit may go ahead; else the reason, as the status bar shows it.
    QString refusal(Edit edit) const;

private:
    Hold current = Hold::Own;
    QString holderNote;
    bool shapesHidden = false;
    QString sharedWith;
    bool vocabularyChanged = false;
    bool labelUnreadable = false;
    bool imageLoading = false;
    bool savingNow = false;
};

#endif
