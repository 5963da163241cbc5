#include "reviewcounts.h"

void ReviewCounts::add(ReviewState state)
{
    switch (state) {
    case ReviewState::Accepted:
        ++accepted;
        break;
    case ReviewState::Rejected:
        ++rejected;
        break;
    case ReviewState::ChangedSinceReview:
        ++changed;
        break;
    case ReviewState::Unreviewed:
        ++unreviewed;
        break;
    case ReviewState::Unlabelled:
        break;
    }
}
