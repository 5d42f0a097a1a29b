#include "core/app/AllocatorTuning.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

void tuneAllocatorForPages()
{
#ifdef __GLIBC__
    // Free memory at the top of the heap is kept up to this much instead of 128 KiB. Setting it also
    // stops glibc from moving its thresholds on its own, so the mmap threshold is set as well.
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    // Each time the heap grows it grows by this much more, so a run grows it a few times only.
    mallopt(M_TOP_PAD, 16 * 1024 * 1024);
    // Blocks up to 32 MiB (glibc's upper limit), such as the preview's page image, come from the
    // heap and are reused rather than mapped and unmapped on every page turn.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}
