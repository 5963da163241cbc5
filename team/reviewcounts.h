#ifndef QUADROTAG_REVIEWCOUNTS_H
#define QUADROTAG_REVIEWCOUNTS_H

#include "reviewstate.h"

// How many labelled images stand where with their reviews.
struct ReviewCounts
{
    long long accepted = 0;
    long long rejected = 0;
    long long changed = 0;
    long long unreviewed = 0;

    // Unlabelled images count nowhere.
    void add(ReviewState state);
};

#endif
