#include "shapematching.h"

#include "overlappingpairs.h"
#include "quadoverlap.h"

#include <algorithm>
#include <limits>

namespace {

// The weights of one row: (column, weight) for the columns worth pairing, none twice.
using SparseRow = std::vector<std::pair<int, double>>;

// Minimum-cost assignment of every row of a rows x columns matrix (rows <= columns) by
// potentials; returns the column of each row. A cell that its row does not list costs 0, so
// the memory grows with the listed cells and one row, not with the whole matrix.
std::vector<int> minimumCostRows(const std::vector<SparseRow>& negatedWeights, int rows,
                                 int columns)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const auto n = static_cast<std::size_t>(rows);
    const auto m = static_cast<std::size_t>(columns);
    // Indices from 1; column 0 is the free row being placed.
    std::vector<double> u(n + 1, 0), v(m + 1, 0), rowCost(m + 1, 0);
    std::vector<std::size_t> rowOfColumn(m + 1, 0), previous(m + 1, 0);
    for (std::size_t row = 1; row <= n; ++row) {
        rowOfColumn[0] = row;
        std::size_t column = 0;
        std::vector<double> slack(m + 1, infinity);
        std::vector<bool> used(m + 1, false);
        do {
            used[column] = true;
            const std::size_t current = rowOfColumn[column];
            for (const auto& [j, w] : negatedWeights[current - 1])
                rowCost[static_cast<std::size_t>(j) + 1] = -w;
            double delta = infinity;
            std::size_t nextColumn = 0;
            for (std::size_t j = 1; j <= m; ++j) {
                if (used[j])
                    continue;
                const double reduced = rowCost[j] - u[current] - v[j];
                if (reduced < slack[j]) {
                    slack[j] = reduced;
                    previous[j] = column;
                }
                if (slack[j] < delta) {
                    delta = slack[j];
                    nextColumn = j;
                }
            }
            for (const auto& entry : negatedWeights[current - 1])
                rowCost[static_cast<std::size_t>(entry.first) + 1] = 0;
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

// The pairs of a maximum-weight assignment of rows listed sparsely, weights above 0.
std::vector<std::pair<int, int>> sparseAssignment(const std::vector<SparseRow>& weights,
                                                  int columns)
{
    const int rows = static_cast<int>(weights.size());
    if (rows == 0 || columns == 0)
        return {};
    // The algorithm places every row, so the shorter side goes along the rows.
    const bool transposed = rows > columns;
    std::vector<SparseRow> placedRows(static_cast<std::size_t>(transposed ? columns : rows));
    for (int i = 0; i < rows; ++i) {
        for (const auto& [j, w] : weights[static_cast<std::size_t>(i)])
            (transposed ? placedRows[static_cast<std::size_t>(j)].emplace_back(i, w)
                        : placedRows[static_cast<std::size_t>(i)].emplace_back(j, w));
    }
    const std::vector<int> placed = minimumCostRows(placedRows, static_cast<int>(placedRows.size()),
                                                    transposed ? rows : columns);
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t i = 0; i < placedRows.size(); ++i) {
        const int j = placed[i];
        const auto listed = std::find_if(placedRows[i].begin(), placedRows[i].end(),
                                         [j](const auto& entry) { return entry.first == j; });
        // An unlisted cell weighs nothing: pairing it adds nothing.
        if (listed != placedRows[i].end() && listed->second > 0)
            pairs.push_back(transposed ? std::make_pair(j, static_cast<int>(i))
                                       : std::make_pair(static_cast<int>(i), j));
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

int rootOf(std::vector<int>& parent, int node)
{
    while (parent[static_cast<std::size_t>(node)] != node) {
        parent[static_cast<std::size_t>(node)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(node)])];
        node = parent[static_cast<std::size_t>(node)];
    }
    return node;
}

// The best matching of one group of shapes linked by pairs that reach the threshold.
void matchGroup(const std::vector<ShapeMatch>& edges, std::vector<ShapeMatch>& matches)
{
    std::vector<int> rowsA, columnsB;
    for (const ShapeMatch& edge : edges) {
        rowsA.push_back(edge.a);
        columnsB.push_back(edge.b);
    }
    for (std::vector<int>* side : {&rowsA, &columnsB}) {
        std::sort(side->begin(), side->end());
        side->erase(std::unique(side->begin(), side->end()), side->end());
    }
    const auto localOf = [](const std::vector<int>& side, int shape) {
        return static_cast<int>(std::lower_bound(side.begin(), side.end(), shape) - side.begin());
    };
    std::vector<SparseRow> weights(rowsA.size());
    for (const ShapeMatch& edge : edges)
        weights[static_cast<std::size_t>(localOf(rowsA, edge.a))].emplace_back(
            localOf(columnsB, edge.b), edge.iou);
    for (const auto& [i, j] : sparseAssignment(weights, static_cast<int>(columnsB.size()))) {
        const SparseRow& row = weights[static_cast<std::size_t>(i)];
        const auto cell = std::find_if(row.begin(), row.end(),
                                       [j = j](const auto& entry) { return entry.first == j; });
        matches.push_back(ShapeMatch{rowsA[static_cast<std::size_t>(i)],
                                     columnsB[static_cast<std::size_t>(j)], cell->second});
    }
}

} // namespace

std::vector<std::pair<int, int>>
maximumWeightAssignment(const std::vector<std::vector<double>>& weights, int columns)
{
    std::vector<SparseRow> rows(weights.size());
    for (std::size_t i = 0; i < weights.size(); ++i)
        for (int j = 0; j < columns; ++j)
            if (weights[i][static_cast<std::size_t>(j)] > 0)
                rows[i].emplace_back(j, weights[i][static_cast<std::size_t>(j)]);
    return sparseAssignment(rows, columns);
}

std::vector<ShapeMatch> matchShapes(const std::vector<Quad>& a, const std::vector<Quad>& b,
                                    double threshold)
{
    // Only pairs that reach the threshold weigh anything, and only shapes that overlap can;
    // shapes linked by such pairs form groups that are matched each on its own.
    std::vector<ShapeMatch> edges;
    const int sizeA = static_cast<int>(a.size());
    std::vector<int> parent(a.size() + b.size());
    for (std::size_t node = 0; node < parent.size(); ++node)
        parent[node] = static_cast<int>(node);
    for (const auto& [i, j] : overlappingPairs(a, b)) {
        const double iou = quadIoU(a[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(j)]);
        if (iou <= 0 || iou < threshold)
            continue;
        edges.push_back(ShapeMatch{i, j, iou});
        parent[static_cast<std::size_t>(rootOf(parent, i))] = rootOf(parent, sizeA + j);
    }
    std::sort(edges.begin(), edges.end(), [&parent](const ShapeMatch& x, const ShapeMatch& y) {
        return std::make_pair(rootOf(parent, x.a), x.a) < std::make_pair(rootOf(parent, y.a), y.a);
    });
    std::vector<ShapeMatch> matches;
    for (auto first = edges.begin(); first != edges.end();) {
        const int group = rootOf(parent, first->a);
        const auto last = std::find_if(first, edges.end(), [&](const ShapeMatch& edge) {
            return rootOf(parent, edge.a) != group;
        });
        matchGroup(std::vector<ShapeMatch>(first, last), matches);
        first = last;
    }
    std::sort(matches.begin(), matches.end(),
              [](const ShapeMatch& x, const ShapeMatch& y) { return x.a < y.a; });
    return matches;
}
