#include "editgate.h"

const char EditGate::shapesHiddenNote[] = "Shapes are hidden: press H to show them before editing";
const char EditGate::claimNotTakenNote[] =
    "No claim could be taken on this image (its folder can't be written): read only";
const char EditGate::closedNote[] = "No image is open";
const char EditGate::vocabularyChangedNote[] =
    "The vocabulary (tags or index2tag.csv) changed on disk: open the project again to read it "
    "before editing";
const char EditGate::pendingNote[] = "Taking the claim…";
const char EditGate::imageLoadingNote[] = "Loading the image…";
const char EditGate::savingNote[] = "Saving…";
const char EditGate::unreadableLabelNote[] =
    "The label file can't be read: it is left as it is, read only";

void EditGate::setHold(Hold hold, const QString& note)
{
    current = hold;
    holderNote = note;
}

QString EditGate::sharedLabelNote(const QString& firstImageName)
{
    return QStringLiteral("Shares its label file with ") + firstImageName;
}

void EditGate::setSharedLabel(const QString& firstImageName)
{
    sharedWith = firstImageName;
}

void EditGate::setVocabularyChanged(bool changed)
{
    vocabularyChanged = changed;
}

void EditGate::setImageLoading(bool loading)
{
    imageLoading = loading;
}

void EditGate::setSaving(bool saving)
{
    savingNow = saving;
}

void EditGate::setShapesHidden(bool hidden)
{
    shapesHidden = hidden;
}

QString EditGate::refusal(Edit edit) const
{
    // The annotation on screen is of the image left, already saved.
    if (imageLoading)
        return QString::fromUtf8(imageLoadingNote);
    if (savingNow && edit != Edit::Write)
        return QString::fromUtf8(savingNote);
    // Whoever holds the claim, the label file is the other image's annotation.
    if (current != Hold::Closed && !sharedWith.isEmpty())
        return sharedLabelNote(sharedWith);
    if (current != Hold::Closed && labelUnreadable)
        return QString::fromLatin1(unreadableLabelNote);
    if (current != Hold::Closed && vocabularyChanged)
        return QString::fromLatin1(vocabularyChangedNote);
    switch (current) {
    case Hold::HeldByOther:
    case Hold::ClaimLost:
        return holderNote;
    case Hold::ClaimNotTaken:
        return holderNote.isEmpty() ? QString::fromLatin1(claimNotTakenNote) : holderNote;
    case Hold::Closed:
        return QString::fromLatin1(closedNote);
    case Hold::Pending:
        return QString::fromUtf8(pendingNote);
    case Hold::Own:
        break;
    }
    // Shapes the operator can't see must not change unseen.
    if (shapesHidden && edit == Edit::Shapes)
        return QString::fromLatin1(shapesHiddenNote);
    return QString();
}
