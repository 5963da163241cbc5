#include "shapematching.h"

#include "quadoverlap.h"

#include <algorithm>
#include <limits>

namespace {

// Minimum-cost assignment of every row of a rows x columns matrix (rows <= columns) by
// potentials; returns the column of each row.
std::vector<int> minimumCostRows(const std::vector<std::vector<double>>& cost, int rows,
                                 int columns)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const auto n = static_cast<std::size_t>(rows);
    const auto m = static_cast<std::size_t>(columns);
    // Indices from 1; column 0 is the free row being placed.
    std::vector<double> u(n + 1, 0), v(m + 1, 0);
    std::vector<std::size_t> rowOfColumn(m + 1, 0), previous(m + 1, 0);
    for (std::size_t row = 1; row <= n; ++row) {
        rowOfColumn[0] = row;
        std::size_t column = 0;
        std::vector<double> slack(m + 1, infinity);
        std::vector<bool> used(m + 1, false);
        do {
            used[column] = true;
            const std::size_t current = rowOfColumn[column];
            double delta = infinity;
            std::size_t nextColumn = 0;
            for (std::size_t j = 1; j <= m; ++j) {
                if (used[j])
                    continue;
                const double reduced = cost[current - 1][j - 1] - u[current] - v[j];
                if (reduced < slack[j]) {
                    slack[j] = reduced;
                    previous[j] = column;
                }
                if (slack[j] < delta) {
                    delta = slack[j];
                    nextColumn = j;
                }
            }
            for (std::size_t j = 0; j <= m; ++j) {
                if (used[j]) {
                    u[rowOfColumn[j]] += delta;
                    v[j] -= delta;
                } else {
                    slack[j] -= delta;
                }
            }
            column = nextColumn;
        } while (rowOfColumn[column] != 0);
        do {
            const std::size_t before = previous[column];
            rowOfColumn[column] = rowOfColumn[before];
            column = before;
        } while (column != 0);
    }
    std::vector<int> columnOfRow(n, -1);
    for (std::size_t j = 1; j <= m; ++j) {
        if (rowOfColumn[j] != 0)
            columnOfRow[rowOfColumn[j] - 1] = static_cast<int>(j - 1);
    }
    return columnOfRow;
}

} // namespace

std::vector<std::pair<int, int>>
maximumWeightAssignment(const std::vector<std::vector<double>>& weights, int columns)
{
    const int rows = static_cast<int>(weights.size());
    if (rows == 0 || columns == 0)
        return {};
    // The algorithm places every row, so the shorter side goes along the rows.
    const bool transposed = rows > columns;
    const int n = transposed ? columns : rows;
    const int m = transposed ? rows : columns;
    std::vector<std::vector<double>> cost(static_cast<std::size_t>(n),
                                          std::vector<double>(static_cast<std::size_t>(m)));
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const double w = weights[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
            (transposed ? cost[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]
                        : cost[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]) = -w;
        }
    }
    const std::vector<int> placed = minimumCostRows(cost, n, m);
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < n; ++i) {
        const int j = placed[static_cast<std::size_t>(i)];
        const std::pair<int, int> pair = transposed ? std::make_pair(j, i) : std::make_pair(i, j);
        if (weights[static_cast<std::size_t>(pair.first)][static_cast<std::size_t>(pair.second)] >
            0)
            pairs.push_back(pair);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

std::vector<ShapeMatch> matchShapes(const std::vector<Quad>& a, const std::vector<Quad>& b,
                                    double threshold)
{
    // Pairs below the threshold weigh nothing, so a full assignment of the weights is the
    // best matching of the pairs that reach it.
    std::vector<std::vector<double>> iou(a.size(), std::vector<double>(b.size(), 0));
    std::vector<std::vector<double>> weights = iou;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (std::size_t j = 0; j < b.size(); ++j) {
            iou[i][j] = quadIoU(a[i], b[j]);
            weights[i][j] = iou[i][j] >= threshold ? iou[i][j] : 0;
        }
    }
    std::vector<ShapeMatch> matches;
    for (const auto& [i, j] : maximumWeightAssignment(weights, static_cast<int>(b.size()))) {
        matches.push_back(
            ShapeMatch{i, j, iou[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]});
    }
    return matches;
}
