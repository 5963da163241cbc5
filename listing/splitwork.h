#ifndef QUADROTAG_SPLITWORK_H
#define QUADROTAG_SPLITWORK_H

#include <cstddef>
#include <functional>

// How many parts a list of count items is worked on in: one per core, at most four, and one for
// a list too short to be worth a thread.
int partsFor(std::size_t count);

// Calls work(part, begin, end) for each of parts equal runs of count items, all but the last on
// threads of their own, and returns when all are done.
void runInParts(std::size_t count, int parts,
                const std::function<void(int part, std::size_t begin, std::size_t end)>& work);

// Calls look(item) for each of count items, side by side on up to sixteen threads, and returns
// when all are done: for looks that wait on a disk or a share rather than on a core.
void lookSideBySide(std::size_t count, const std::function<void(std::size_t item)>& look);

#endif
