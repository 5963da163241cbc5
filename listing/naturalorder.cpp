#include "naturalorder.h"

#include "icucollator.h"
#include "splitwork.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

const std::size_t headBytes = 16;
// The key ended within its head.
const std::uint64_t noRest = ~std::uint64_t(0);

// A text's sort key as sorting reads it: its first bytes in place, where most comparisons end,
// and the rest, when there is one, in its part's buffer.
struct KeyedText
{
    std::array<unsigned char, headBytes> head;
    std::uint64_t rest;
    std::uint32_t part;
    std::uint32_t index;
};

class KeyedOrder
{
public:
    KeyedOrder(std::size_t count, const TextAt& textAt) : count(count), textAt(textAt) {}

    std::vector<int> sorted()
    {
        const int parts = partsFor(count);
        keyed.resize(count);
        rests.resize(std::size_t(parts));
        const IcuCollator collator(namingLocale());
        runInParts(keyed.size(), parts, [&](int part, std::size_t begin, std::size_t end) {
            const IcuCollator own(collator);
            for (std::size_t index = begin; index < end; ++index)
                keyed[index] = keyOf(own, part, index);
            std::sort(keyed.begin() + long(begin), keyed.begin() + long(end), before());
        });
        mergeParts(parts);
        std::vector<int> order;
        order.reserve(keyed.size());
        for (const KeyedText& text : keyed)
            order.push_back(int(text.index));
        return order;
    }

private:
    KeyedText keyOf(const IcuCollator& collator, int part, std::size_t index)
    {
        thread_local std::vector<unsigned char> key;
        thread_local QString scratch;
        const std::size_t length = collator.keyOf(textAt(index, scratch), key);
        KeyedText text{{}, noRest, std::uint32_t(part), std::uint32_t(index)};
        std::memcpy(text.head.data(), key.data(), std::min(length, headBytes));
        if (length > headBytes) {
            std::string& rest = rests[std::size_t(part)];
            text.rest = rest.size();
            rest.append(reinterpret_cast<const char*>(key.data()) + headBytes, length - headBytes);
        }
        return text;
    }

    // Keys hold no zero byte before their end, so equal heads end in the same place.
    bool isBefore(const KeyedText& left, const KeyedText& right) const
    {
        const int byHead = std::memcmp(left.head.data(), right.head.data(), headBytes);
        if (byHead != 0)
            return byHead < 0;
        if (left.rest != noRest) {
            const int byRest = std::strcmp(rests[left.part].c_str() + left.rest,
                                           rests[right.part].c_str() + right.rest);
            if (byRest != 0)
                return byRest < 0;
        }
        // Rare: only texts the collator finds equal get here.
        QString leftScratch;
        QString rightScratch;
        const int byCharacters =
            textAt(left.index, leftScratch).compare(textAt(right.index, rightScratch));
        return byCharacters != 0 ? byCharacters < 0 : left.index < right.index;
    }

    // A comparer std::sort can call inline.
    struct Before
    {
        const KeyedOrder* order;
        bool operator()(const KeyedText& left, const KeyedText& right) const
        {
            return order->isBefore(left, right);
        }
    };
    Before before() const { return Before{this}; }

    void mergeParts(int parts)
    {
        for (int part = 1; part < parts; ++part) {
            const auto end = [&](int last) {
                return keyed.begin() +
                       long(keyed.size() * std::size_t(last + 1) / std::size_t(parts));
            };
            std::inplace_merge(keyed.begin(), end(part - 1), end(part), before());
        }
    }

    const std::size_t count;
    const TextAt& textAt;
    std::vector<KeyedText> keyed;
    std::vector<std::string> rests;
};

} // namespace

std::vector<int> naturalOrderOf(const QStringList& texts, qsizetype from)
{
    return naturalOrderOf(std::size_t(texts.size()), [&](std::size_t index, QString&) {
        return QStringView(texts[qsizetype(index)]).mid(from);
    });
}

std::vector<int> naturalOrderOf(std::size_t count, const TextAt& textAt)
{
    return KeyedOrder(count, textAt).sorted();
}
