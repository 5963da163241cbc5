#include "shapematching.h"

#include "overlappingpairs.h"
#include "quadoverlap.h"

#include <algorithm>
#include <limits>
#include <queue>
#include <tuple>

namespace {

// The weights of one row: (column, weight) for the columns worth pairing, none twice.
using SparseRow = std::vector<std::pair<int, double>>;

// Minimum-cost assignment of every row to a column of its own or to none, a listed cell
// costing its weight negated and none costing 0 (a column of the row's own): shortest
// augmenting paths over the listed cells only, by Dijkstra with column potentials
// (Jonker-Volgenant). A row's search ends at the first free column, so a long chain of
// overlapping shapes costs what its paths cost, not rows times columns. Returns the column of
// each row, or -1.
std::vector<int> minimumCostRows(const std::vector<SparseRow>& weights, int columns)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const std::size_t rows = weights.size();
    const auto alone = static_cast<std::size_t>(columns);
    const std::size_t total = alone + rows;
    std::vector<double> v(total, 0), distance(total, infinity), costOfRow(rows, 0);
    std::vector<int> rowOfColumn(total, -1), columnOfRow(rows, -1), previousRow(total, -1);
    std::vector<char> scanned(total, 0);
    std::vector<std::size_t> touched;
    // Among columns equally far, a free one first: ties along a chain of equal overlaps would
    // otherwise walk the whole chain back for every row.
    using Entry = std::tuple<double, bool, std::size_t>;
    const auto costOf = [&weights, alone](std::size_t row, std::size_t column) {
        if (column >= alone)
            return 0.0;
        const SparseRow& cells = weights[row];
        const auto cell = std::find_if(cells.begin(), cells.end(), [column](const auto& entry) {
            return static_cast<std::size_t>(entry.first) == column;
        });
        return -cell->second;
    };
    for (std::size_t start = 0; start < rows; ++start) {
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
        const auto relax = [&](std::size_t row, std::size_t column, double reached) {
            if (scanned[column] || reached >= distance[column])
                return;
            if (distance[column] == infinity)
                touched.push_back(column);
            distance[column] = reached;
            previousRow[column] = static_cast<int>(row);
            queue.emplace(reached, rowOfColumn[column] >= 0, column);
        };
        // base: what reaching the row cost, less what its own cell costs it.
        const auto expand = [&](std::size_t row, double base) {
            for (const auto& [j, w] : weights[row])
                relax(row, static_cast<std::size_t>(j), base - w - v[static_cast<std::size_t>(j)]);
            relax(row, alone + row, base - v[alone + row]);
        };
        expand(start, 0);
        std::size_t column = 0;
        for (;;) {
            const auto [reached, matched, next] = queue.top();
            queue.pop();
            if (scanned[next] || reached > distance[next])
                continue;
            scanned[next] = 1;
            column = next;
            if (rowOfColumn[column] < 0)
                break;
            const auto row = static_cast<std::size_t>(rowOfColumn[column]);
            expand(row, reached - (costOfRow[row] - v[column]));
        }
        const double shortest = distance[column];
        for (const std::size_t j : touched) {
            if (scanned[j])
                v[j] += distance[j] - shortest;
            distance[j] = infinity;
            scanned[j] = 0;
        }
        touched.clear();
        for (;;) {
            const auto row = static_cast<std::size_t>(previousRow[column]);
            const int before = columnOfRow[row];
            rowOfColumn[column] = static_cast<int>(row);
            columnOfRow[row] = static_cast<int>(column);
            costOfRow[row] = costOf(row, column);
            if (row == start)
                break;
            column = static_cast<std::size_t>(before);
        }
    }
    for (int& placed : columnOfRow)
        if (placed >= columns)
            placed = -1;
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
    const std::vector<int> placed = minimumCostRows(placedRows, transposed ? rows : columns);
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
