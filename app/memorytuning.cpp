#include "memorytuning.h"

#include <malloc.h>

void reuseLargeImageBuffers()
{
    // Blocks of tens of megabytes would otherwise each get a fresh mapping that is
    // returned on free; page faults then cost more than the decode itself.
    mallopt(M_MMAP_MAX, 0);
    // Freed memory at the top of the heap stays for the next image (bounded by the
    // largest image's working set) instead of going back to the system at once.
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
}
