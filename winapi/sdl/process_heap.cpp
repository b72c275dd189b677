#include "process_heap.h"

#include <malloc.h>

// The OpenGL driver allocates and frees blocks of about half a megabyte on every frame.
// With glibc's adaptive defaults such a block is handed back to the kernel when freed
// (unmapped, or trimmed off the top of the heap) and comes back as fresh zeroed pages,
// a few hundred page faults a frame that halve the frame rate of a spinning model.
// A heap that keeps what it has been given draws frame after frame without asking the
// kernel for memory; what it keeps is bounded by the largest frame's needs.
void setupProcessHeap() {
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}
