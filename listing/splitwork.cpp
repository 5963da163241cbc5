#include "splitwork.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace {
// Below this a thread costs more than it saves.
const std::size_t itemsPerThread = 16384;
const int mostParts = 4;
// A round trip of a share each, which wait side by side at no cost to the cores.
const std::size_t mostLookers = 16;
} // namespace

int partsFor(std::size_t count)
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const std::size_t worthwhile = std::max<std::size_t>(1, count / itemsPerThread);
    return int(std::min<std::size_t>({std::size_t(cores), std::size_t(mostParts), worthwhile}));
}

void runInParts(std::size_t count, int parts,
                const std::function<void(int part, std::size_t begin, std::size_t end)>& work)
{
    parts = std::max(parts, 1);
    const auto boundary = [&](int part) { return count * std::size_t(part) / std::size_t(parts); };
    std::vector<std::thread> threads;
    for (int part = 0; part + 1 < parts; ++part) {
        // Where no thread can be had, the part is done here.
        try {
            threads.emplace_back(work, part, boundary(part), boundary(part + 1));
        } catch (const std::system_error&) {
            work(part, boundary(part), boundary(part + 1));
        }
    }
    work(parts - 1, boundary(parts - 1), count);
    for (std::thread& thread : threads)
        thread.join();
}

void lookSideBySide(std::size_t count, const std::function<void(std::size_t item)>& look)
{
    runInParts(count, int(std::min(count, mostLookers)),
               [&look](int, std::size_t begin, std::size_t end) {
                   for (std::size_t item = begin; item < end; ++item)
                       look(item);
               });
}
