#include "overlappingpairs.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace {

// A shape that spans more cells than this is checked against every other shape instead:
// such shapes are few, since most are of about the typical size.
const long long mostCellsOfAShape = 64;

struct Box
{
    long long left = 0;
    long long top = 0;
    long long right = 0;
    long long bottom = 0;
};

struct CellRange
{
    long long left = 0;
    long long top = 0;
    long long right = 0;
    long long bottom = 0;

    long long cellCount() const { return (right - left + 1) * (bottom - top + 1); }
};

Box boxOf(const Quad& corners)
{
    Box box{corners[0].x(), corners[0].y(), corners[0].x(), corners[0].y()};
    for (const QPoint& p : corners) {
        box.left = std::min<long long>(box.left, p.x());
        box.top = std::min<long long>(box.top, p.y());
        box.right = std::max<long long>(box.right, p.x());
        box.bottom = std::max<long long>(box.bottom, p.y());
    }
    return box;
}

bool shareArea(const Box& first, const Box& second)
{
    return first.left < second.right && second.left < first.right && first.top < second.bottom &&
           second.top < first.bottom;
}

long long medianOf(std::vector<long long> values)
{
    if (values.empty())
        return 1;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return std::max(1LL, *middle);
}

// Floor division, so that negative coordinates fall into their own cells.
long long cellOf(long long value, long long size)
{
    return value >= 0 ? value / size : -((-value + size - 1) / size);
}

class Grid
{
public:
    explicit Grid(const std::vector<Box>& boxes)
        : width(typicalSize(boxes, true)), height(typicalSize(boxes, false))
    {
    }

    CellRange rangeOf(const Box& box) const
    {
        return {cellOf(box.left, width), cellOf(box.top, height), cellOf(box.right, width),
                cellOf(box.bottom, height)};
    }
    static std::uint64_t keyOf(long long column, long long row)
    {
        return (static_cast<std::uint64_t>(column) << 32) ^
               static_cast<std::uint64_t>(row & 0xffffffffLL);
    }

private:
    static long long typicalSize(const std::vector<Box>& boxes, bool across)
    {
        std::vector<long long> sizes;
        sizes.reserve(boxes.size());
        for (const Box& box : boxes)
            sizes.push_back(across ? box.right - box.left : box.bottom - box.top);
        return medianOf(std::move(sizes));
    }

    long long width;
    long long height;
};

} // namespace

std::vector<std::pair<int, int>> overlappingPairs(const std::vector<Quad>& a,
                                                  const std::vector<Quad>& b)
{
    std::vector<Box> boxesA, boxesB;
    boxesA.reserve(a.size());
    boxesB.reserve(b.size());
    for (const Quad& corners : a)
        boxesA.push_back(boxOf(corners));
    for (const Quad& corners : b)
        boxesB.push_back(boxOf(corners));
    const Grid grid(boxesB);
    std::unordered_map<std::uint64_t, std::vector<int>> cells;
    std::vector<int> largeB;
    for (int j = 0; j < static_cast<int>(boxesB.size()); ++j) {
        const CellRange range = grid.rangeOf(boxesB[static_cast<std::size_t>(j)]);
        if (range.cellCount() > mostCellsOfAShape) {
            largeB.push_back(j);
            continue;
        }
        for (long long column = range.left; column <= range.right; ++column)
            for (long long row = range.top; row <= range.bottom; ++row)
                cells[Grid::keyOf(column, row)].push_back(j);
    }
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < static_cast<int>(boxesA.size()); ++i) {
        const Box& box = boxesA[static_cast<std::size_t>(i)];
        const CellRange range = grid.rangeOf(box);
        const bool large = range.cellCount() > mostCellsOfAShape;
        // A large shape meets every shape of b here, the large ones of b included.
        for (int j = 0; large && j < static_cast<int>(boxesB.size()); ++j)
            if (shareArea(box, boxesB[static_cast<std::size_t>(j)]))
                pairs.emplace_back(i, j);
        for (int j : largeB)
            if (!large && shareArea(box, boxesB[static_cast<std::size_t>(j)]))
                pairs.emplace_back(i, j);
        for (long long column = range.left; !large && column <= range.right; ++column) {
            for (long long row = range.top; row <= range.bottom; ++row) {
                const auto found = cells.find(Grid::keyOf(column, row));
                if (found == cells.end())
                    continue;
                for (int j : found->second) {
                    const Box& other = boxesB[static_cast<std::size_t>(j)];
                    // Counted in the one cell where the shared area begins.
                    const CellRange shared = grid.rangeOf(
                        {std::max(box.left, other.left), std::max(box.top, other.top), 0, 0});
                    if (shared.left == column && shared.top == row && shareArea(box, other))
                        pairs.emplace_back(i, j);
                }
            }
        }
    }
    return pairs;
}
