#ifndef QUADROTAG_MEMORYTUNING_H
#define QUADROTAG_MEMORYTUNING_H

// Keeps the large buffers of a decoded photograph in the heap after they are freed, so
// the next image reuses memory that is already mapped instead of faulting in fresh pages.
void reuseLargeImageBuffers();

#endif
