#ifndef QUADROTAG_NAMESET_H
#define QUADROTAG_NAMESET_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A set of byte strings kept in one buffer with an open-addressed table of their hashes: half a
// million label file names cost a few megabytes and no allocation each.
class NameSet
{
public:
    void insert(std::string_view name);
    bool contains(std::string_view name) const;
    std::size_t size() const { return count; }

private:
    struct Slot
    {
        std::uint64_t hash = 0;
        // Where the name starts in the buffer, plus one: zero marks an empty slot.
        std::uint64_t start = 0;
        std::uint64_t length = 0;
    };

    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    std::string_view nameIn(const Slot& slot) const;
    void grow();

    std::string bytes;
    std::vector<Slot> table;
    std::size_t count = 0;
};

#endif
