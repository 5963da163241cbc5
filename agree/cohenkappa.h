#ifndef QUADROTAG_COHENKAPPA_H
#define QUADROTAG_COHENKAPPA_H

#include <optional>
#include <vector>

// Cohen's kappa of two raters over a categories x categories table of counts, row-major,
// rows the first rater's category and columns the second's. None when chance agreement is 1
// (both raters gave one and the same category throughout) or the table is empty.
std::optional<double> cohenKappa(const std::vector<long long>& counts, int categories);

#endif
