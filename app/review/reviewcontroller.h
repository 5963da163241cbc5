#ifndef QUADROTAG_REVIEWCONTROLLER_H
#define QUADROTAG_REVIEWCONTROLLER_H

#include "reviewfile.h"
#include "reviewnotelist.h"
#include "reviewstate.h"

#include <QAction>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class ImageSession;
class ImageWidget;
class QMenu;
class ReviewPins;
class SaveGuard;

// A lead's review of the image on screen: Ctrl+Shift+A accepts it, Ctrl+Shift+R rejects it
// with a note, Alt+left click pins a note to a spot. The verdict goes into the image's
// review file, tied to the label file's bytes; the notes show as pins on the canvas and as
// a list in the side panel.
class ReviewController : public QObject
{
    Q_OBJECT

public:
    ReviewController(ImageSession& session, SaveGuard& saveGuard, QWidget* window);

    // The keys in the menu, the pins over the canvas and Alt+click on it.
    void install(QMenu* menu, ImageWidget* canvas);
    // Reads the review of the image on screen again: after it was shown or saved.
    void showImageReview();
    // The same with the review as read ahead (none when there is no review file).
    void showReview(const std::optional<Review>& review);
    // The label file was saved: the review shown is judged against its new bytes.
    void showSavedLabel() { showReview(std::optional<Review>(stored)); }

    QWidget* notePanel() { return &noteList; }
    ReviewState state() const { return shownState; }
    // The notes drawn on the canvas: those pinned for the coming verdict, or else the ones
    // of the review on file.
    const std::vector<ReviewNote>& shownNotes() const;

    static const char nothingToReview[];
    static const char changedSinceShownNote[];

signals:
    // The verdict is written; the window goes on to the next listed image.
    void reviewed(const QString& imagePath);
    void sglNote(const QString& note);

public slots:
    void accept();
    void reject();
    void pinNoteAt(const QPoint& imagePixel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Saves what would change first; the digest of the label file judged, or empty when
    // there is nothing to review (the operator has been told why).
    QByteArray digestToReview();
    bool writeVerdict(Review::Verdict verdict, const QString& comment, const QByteArray& digest);
    void refresh();

    ImageSession& session;
    SaveGuard& saveGuard;
    QWidget* window;
    QAction acceptAction;
    QAction rejectAction;
    ImageWidget* canvas = nullptr;
    // Owned by the canvas, as its child.
    ReviewPins* pins = nullptr;
    ReviewNoteList noteList;
    QString reviewer;
    QString reviewerProblem;
    std::optional<Review> stored;
    std::vector<ReviewNote> pinned;
    ReviewState shownState = ReviewState::Unlabelled;
};

#endif
