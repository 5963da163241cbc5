#include "cohenkappa.h"

std::optional<double> cohenKappa(const std::vector<long long>& counts, int categories)
{
    const auto k = static_cast<std::size_t>(categories);
    std::vector<long long> rowSums(k, 0), columnSums(k, 0);
    long long total = 0;
    long long agreed = 0;
    for (std::size_t row = 0; row < k; ++row) {
        for (std::size_t column = 0; column < k; ++column) {
            const long long n = counts[row * k + column];
            rowSums[row] += n;
            columnSums[column] += n;
            total += n;
            if (row == column)
                agreed += n;
        }
    }
    // Chance agreement is 1 exactly when both raters used one and the same category only;
    // checked on the counts, so no rounding decides it.
    for (std::size_t c = 0; c < k; ++c) {
        if (rowSums[c] == total && columnSums[c] == total)
            return std::nullopt;
    }
    if (total == 0)
        return std::nullopt;
    const double n = static_cast<double>(total);
    double chance = 0;
    for (std::size_t c = 0; c < k; ++c)
        chance += (static_cast<double>(rowSums[c]) / n) * (static_cast<double>(columnSums[c]) / n);
    const double observed = static_cast<double>(agreed) / n;
    return (observed - chance) / (1 - chance);
}
