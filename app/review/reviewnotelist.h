#ifndef QUADROTAG_REVIEWNOTELIST_H
#define QUADROTAG_REVIEWNOTELIST_H

#include "reviewfile.h"
#include "reviewstate.h"

#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include <optional>
#include <vector>

// The review of the image on screen in the side panel: its state, reviewer and time, then
// its notes numbered as their pins are, and the comment given when rejecting.
class ReviewNoteList : public QWidget
{
    Q_OBJECT

public:
    ReviewNoteList();

    void showReview(ReviewState state, const std::optional<Review>& review,
                    const std::vector<ReviewNote>& notes);

    // "Rejected by lead, 7 Dec 2026 18:30", or what stands in its place.
    static QString headline(ReviewState state, const std::optional<Review>& review);

private:
    QLabel stateLabel;
    QListWidget noteList;
};

#endif
