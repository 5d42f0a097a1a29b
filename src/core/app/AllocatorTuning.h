// Keeps the C library's heap from shrinking after every page and growing again for the next one.
#pragma once

/// Called first thing in main. Qt's PDF writer compresses each page with a fresh deflate state and
/// two 16 MiB buffers; left at its defaults, glibc hands that memory back to the system when the
/// page is done and the next page faults it in and zero-fills it again, which cost about as much
/// as drawing the page. Does nothing where the C library is not glibc.
void tuneAllocatorForPages();
