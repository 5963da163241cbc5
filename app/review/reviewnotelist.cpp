#include "reviewnotelist.h"

#include <QVBoxLayout>

namespace {

const int visibleNoteLines = 8;

QString verdictWord(const Review& review)
{
    return review.verdict == Review::Verdict::Accepted ? QStringLiteral("Accepted")
                                                       : QStringLiteral("Rejected");
}

} // namespace

ReviewNoteList::ReviewNoteList()
{
    setObjectName(QStringLiteral("reviewNotes"));
    stateLabel.setObjectName(QStringLiteral("reviewState"));
    stateLabel.setWordWrap(true);
    noteList.setObjectName(QStringLiteral("reviewNoteList"));
    noteList.setWordWrap(true);
    // A few notes fit; the tag table below keeps the rest of the panel.
    noteList.setMaximumHeight(noteList.fontMetrics().lineSpacing() * visibleNoteLines);
    // Never taller than its notes need: the tag table takes what space is left.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&stateLabel);
    layout->addWidget(&noteList);
    hide();
}

QString ReviewNoteList::headline(ReviewState state, const std::optional<Review>& review)
{
    if (!review)
        return state == ReviewState::Unlabelled ? QStringLiteral("Not reviewed: no label file")
                                                : QStringLiteral("Not reviewed");
    const QString verdict =
        QStringLiteral("%1 by %2, %3")
            .arg(verdictWord(*review), review->reviewer,
                 review->at.toLocalTime().toString(QStringLiteral("d MMM yyyy HH:mm")));
    return state == ReviewState::ChangedSinceReview
               ? QStringLiteral("Changed since review. ") + verdict
               : verdict;
}

void ReviewNoteList::showReview(ReviewState state, const std::optional<Review>& review,
                                const std::vector<ReviewNote>& notes)
{
    noteList.clear();
    for (std::size_t i = 0; i < notes.size(); ++i)
        noteList.addItem(QStringLiteral("%1. %2").arg(i + 1).arg(notes[i].text));
    if (review && !review->comment.isEmpty())
        noteList.addItem(QStringLiteral("Comment: ") + review->comment);
    stateLabel.setText(headline(state, review));
    // An image nobody reviewed looks as it always has.
    setVisible(review.has_value() || !notes.empty());
    noteList.setVisible(noteList.count() > 0);
}
