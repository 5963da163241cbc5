#include "nameset.h"

namespace {

const std::size_t firstSlots = 64;

// FNV-1a: file names are short, and it spreads names that differ in one digit.
std::uint64_t hashOf(std::string_view name)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : name)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    // Its low bits, which pick the slot, depend on the low bits alone: names counted up in
    // their last digits would crowd together. Mixed in the high bits, they spread.
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

} // namespace

void NameSet::insert(std::string_view name)
{
    // At most half full, so a search ends soon at an empty slot.
    if ((count + 1) * 2 > table.size())
        grow();
    const std::uint64_t hash = hashOf(name);
    Slot& slot = table[slotOf(name, hash)];
    if (slot.start != 0)
        return;
    slot = {hash, bytes.size() + 1, name.size()};
    bytes.append(name);
    ++count;
}

bool NameSet::contains(std::string_view name) const
{
    return !table.empty() && table[slotOf(name, hashOf(name))].start != 0;
}

// The slot holding name, or the empty one where it would go.
std::size_t NameSet::slotOf(std::string_view name, std::uint64_t hash) const
{
    const std::size_t mask = table.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
        const Slot& slot = table[index];
        if (slot.start == 0 || (slot.hash == hash && nameIn(slot) == name))
            return index;
    }
}

std::string_view NameSet::nameIn(const Slot& slot) const
{
    return std::string_view(bytes).substr(slot.start - 1, slot.length);
}

void NameSet::grow()
{
    std::vector<Slot> old(table.empty() ? firstSlots : table.size() * 2);
    old.swap(table);
    const std::size_t mask = table.size() - 1;
    for (const Slot& slot : old) {
        if (slot.start == 0)
            continue;
        std::size_t index = slot.hash & mask;
        while (table[index].start != 0)
            index = (index + 1) & mask;
        table[index] = slot;
    }
}
