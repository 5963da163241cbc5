#include "reviewcontroller.h"

#include "imagesession.h"
#include "imagewidget.h"
#include "operatorname.h"
#include "reviewpins.h"
#include "saveguard.h"
#include "sessionquestions.h"
#include "teampaths.h"

#include <QInputDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QProcessEnvironment>

const char ReviewController::nothingToReview[] = "Nothing to review: no label file";
const char ReviewController::changedSinceShownNote[] =
    "Not judged: someone else changed the label file since it was shown; open the image again "
    "to see it first";

ReviewController::ReviewController(ImageSession& imageSession, SaveGuard& guard,
                                   QWidget* parentWindow)
    : session(imageSession), saveGuard(guard), window(parentWindow),
      acceptAction(QStringLiteral("Accept Image")), rejectAction(QStringLiteral("Reject Image"))
{
    reviewer =
        OperatorName::fromEnvironment(QProcessEnvironment::systemEnvironment(), &reviewerProblem);
}

void ReviewController::install(QMenu* menu, ImageWidget* imageCanvas)
{
    canvas = imageCanvas;
    pins = new ReviewPins(canvas);
    canvas->installEventFilter(this);
    acceptAction.setObjectName(QStringLiteral("actionAccept_Image"));
    acceptAction.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    rejectAction.setObjectName(QStringLiteral("actionReject_Image"));
    rejectAction.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    menu->addActions({&acceptAction, &rejectAction});
    connect(&acceptAction, &QAction::triggered, this, &ReviewController::accept);
    connect(&rejectAction, &QAction::triggered, this, &ReviewController::reject);
}

void ReviewController::showImageReview()
{
    Review read;
    const bool reviewed = session.isOpen() && readReview(reviewPathFor(session.imagePath()), read);
    showReview(reviewed ? std::optional<Review>(read) : std::nullopt);
}

void ReviewController::showReview(const std::optional<Review>& review)
{
    stored = session.isOpen() ? review : std::nullopt;
    // The label file as the session last read or wrote it: no second reading of a share.
    const LabelFileSnapshot& label = session.labelFileOnDisk();
    const QByteArray digest = label.exists && label.readable
                                  ? bytesDigest(QByteArray::fromStdString(label.bytes))
                                  : QByteArray();
    shownState = reviewStateFor(stored ? &*stored : nullptr, digest);
    // Notes of a review that still holds go on into the next verdict; those of one the
    // operator has since answered stay on show until new ones are pinned.
    const bool holds = shownState == ReviewState::Accepted || shownState == ReviewState::Rejected;
    pinned = holds ? stored->notes : std::vector<ReviewNote>();
    refresh();
}

const std::vector<ReviewNote>& ReviewController::shownNotes() const
{
    static const std::vector<ReviewNote> none;
    if (!pinned.empty() || !stored)
        return pinned.empty() ? none : pinned;
    return stored->notes;
}

void ReviewController::accept()
{
    const QByteArray digest = digestToReview();
    if (!digest.isEmpty())
        writeVerdict(Review::Verdict::Accepted, QString(), digest);
}

void ReviewController::reject()
{
    const QByteArray digest = digestToReview();
    if (digest.isEmpty())
        return;
    bool given = false;
    const QString comment = QInputDialog::getText(
        window, QStringLiteral("Reject Image"),
        pinned.empty() ? QStringLiteral("What is wrong with this image?")
                       : QStringLiteral("What is wrong with this image? (may stay empty: "
                                        "notes are pinned)"),
        QLineEdit::Normal, QString(), &given);
    if (!given)
        return;
    // The operator who fixes the image must learn what is wrong, by a note or by pins.
    if (comment.trimmed().isEmpty() && pinned.empty()) {
        emit sglNote(QStringLiteral("Not rejected: give a note, or pin notes with Alt+click"));
        return;
    }
    writeVerdict(Review::Verdict::Rejected, comment.trimmed(), digest);
}

void ReviewController::pinNoteAt(const QPoint& imagePixel)
{
    if (!session.allows(EditGate::Edit::Review) || !session.isOpen())
        return;
    if (!session.hasLabelFile()) {
        emit sglNote(QString::fromLatin1(nothingToReview));
        return;
    }
    bool given = false;
    const QString text = QInputDialog::getText(
        window, QStringLiteral("Note"),
        QStringLiteral("Note at %1, %2:").arg(imagePixel.x()).arg(imagePixel.y()),
        QLineEdit::Normal, QString(), &given);
    if (!given || text.trimmed().isEmpty())
        return;
    // A note pinned on a review the operator has answered starts the next review afresh.
    pinned.push_back(ReviewNote{imagePixel, text.trimmed()});
    refresh();
    emit sglNote(QStringLiteral("Note %1 pinned; Ctrl+Shift+R rejects, Ctrl+Shift+A accepts")
                     .arg(pinned.size()));
}

bool ReviewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != canvas)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Resize) {
        pins->followCanvas();
        return false;
    }
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (!press)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !mouse->modifiers().testFlag(Qt::AltModifier))
        return false;
    // The press pins a note instead of starting a shape; the second press of a double
    // click is swallowed as well.
    if (event->type() == QEvent::MouseButtonPress)
        pinNoteAt(canvas->viewTransform().imagePixelAt(mouse->position()));
    return true;
}

QByteArray ReviewController::digestToReview()
{
    // Accepting saves first, and a held image is another operator's to write.
    if (!session.allows(EditGate::Edit::Review) || !session.isOpen())
        return QByteArray();
    saveGuard.saveNow();
    // The save failed or the operator chose to keep the file on disk: the guard has said so.
    if (session.differsFromDisk())
        return QByteArray();
    // A verdict judges what was shown, never bytes someone else wrote since.
    if (session.changedOnDisk()) {
        emit sglNote(QString::fromLatin1(changedSinceShownNote));
        return QByteArray();
    }
    const QByteArray digest = fileDigest(session.labelPath());
    if (digest.isEmpty()) {
        emit sglNote(QString::fromLatin1(nothingToReview));
        return QByteArray();
    }
    if (!reviewerProblem.isEmpty()) {
        emit sglNote(reviewerProblem);
        return QByteArray();
    }
    return digest;
}

bool ReviewController::writeVerdict(Review::Verdict verdict, const QString& comment,
                                    const QByteArray& digest)
{
    Review review;
    review.verdict = verdict;
    review.reviewer = reviewer;
    review.at = QDateTime::currentDateTimeUtc();
    review.labelDigest = digest;
    review.notes = pinned;
    review.comment = comment;
    const QString path = reviewPathFor(session.imagePath());
    if (!session.claimHolds()) {
        emit sglNote(session.editGate().refusal(EditGate::Edit::Review));
        return false;
    }
    if (!writeReview(review, path)) {
        warn(window, QStringLiteral("Fail writing to ") + path);
        return false;
    }
    showImageReview();
    emit reviewed(session.imagePath());
    return true;
}

void ReviewController::refresh()
{
    if (pins)
        pins->setNotes(shownNotes());
    noteList.showReview(shownState, stored, shownNotes());
}
